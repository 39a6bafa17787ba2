// SPDX-License-Identifier: GPL-3.0-or-later
// Statements are prepared each time where the record source prepares them each time, and once
// where it keeps them, so both sides pay for the same parsing.
#include "bare_sqlite.h"

#include "data/contact_table.h"
#include "data/name_collation.h"

namespace rolvane::bench::bare {

namespace {

std::string columnList(const char* separator, const char* suffix) {
    std::string out;
    for (std::string_view column : kColumnNames) {
        if (!out.empty())
            out += separator;
        out += '[';
        out += column;
        out += ']';
        out += suffix;
    }
    return out;
}

} // namespace

Db open(const std::string& path) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK)
        return nullptr;
    sqlite3_busy_timeout(raw, 2000);
    collation::registerCollation(raw);
    return db;
}

Stmt prepare(sqlite3* db, std::string_view sql) {
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql.data(), int(sql.size()), &raw, nullptr);
    return Stmt(raw);
}

std::size_t readRow(sqlite3_stmt* stmt) {
    std::size_t bytes = 0;
    const int n = sqlite3_column_count(stmt);
    for (int i = 0; i < n; ++i) {
        if (sqlite3_column_text(stmt, i))
            bytes += std::size_t(sqlite3_column_bytes(stmt, i)) + 1;
    }
    return bytes;
}

std::size_t firstRow(sqlite3* db, std::string_view sql) {
    Stmt stmt = prepare(db, sql);
    if (!stmt || sqlite3_step(stmt.get()) != SQLITE_ROW)
        return 0;
    return readRow(stmt.get());
}

std::optional<SavedRow> saveFirstRow(sqlite3* db, std::string_view orderedSql) {
    Stmt stmt = prepare(db, orderedSql);
    if (!stmt || sqlite3_step(stmt.get()) != SQLITE_ROW)
        return std::nullopt;
    SavedRow row;
    row.rowid = sqlite3_column_int64(stmt.get(), 0);
    for (int i = 1; i < sqlite3_column_count(stmt.get()); ++i) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), i));
        row.values.push_back(text ? std::optional<std::string>(std::string(
                                        text, std::size_t(sqlite3_column_bytes(stmt.get(), i))))
                                  : std::nullopt);
    }
    return row;
}

namespace {

bool bindAndRun(sqlite3* db, const std::string& sql, const SavedRow& row, bool rowidFirst) {
    Stmt stmt = prepare(db, sql);
    if (!stmt)
        return false;
    int index = 1;
    if (rowidFirst)
        sqlite3_bind_int64(stmt.get(), index++, row.rowid);
    for (const auto& value : row.values) {
        if (value)
            sqlite3_bind_text(stmt.get(), index++, value->data(), int(value->size()),
                              SQLITE_STATIC);
        else
            sqlite3_bind_null(stmt.get(), index++);
    }
    if (!rowidFirst)
        sqlite3_bind_int64(stmt.get(), index, row.rowid);
    return sqlite3_step(stmt.get()) == SQLITE_DONE;
}

} // namespace

std::string unchangedCondition() {
    return " and " + columnList(" and ", " is ? collate binary");
}

void bindUnchanged(sqlite3_stmt* stmt, int firstIndex, const SavedRow& row) {
    int index = firstIndex;
    for (const auto& value : row.values) {
        if (value)
            sqlite3_bind_text(stmt, index++, value->data(), int(value->size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(stmt, index++);
    }
}

bool restoreRow(sqlite3* db, const SavedRow& row) {
    std::string marks = "?";
    for (std::size_t i = 0; i < row.values.size(); ++i)
        marks += ", ?";
    const std::string sql = "insert or replace into [" + std::string(kTableName) + "] (rowid, " +
                            columnList(", ", "") + ") values (" + marks + ")";
    return bindAndRun(db, sql, row, true);
}

bool updateRow(sqlite3* db, const SavedRow& row) {
    const std::string sql = "update [" + std::string(kTableName) + "] set " +
                            columnList(", ", " = ?") + " where rowid = ?";
    return bindAndRun(db, sql, row, false);
}

} // namespace rolvane::bench::bare
