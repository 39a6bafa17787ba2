// SPDX-License-Identifier: GPL-3.0-or-later
// The floor: the same work done straight through SQLite's C API, with nothing of ours between.
#pragma once

#include <memory>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <vector>

namespace rolvane::bench::bare {

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct Finalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using Db = std::unique_ptr<sqlite3, Closer>;
using Stmt = std::unique_ptr<sqlite3_stmt, Finalizer>;

// SQLite's own sort on the book's index of names: what "order by [Last Name]" means here.
inline constexpr std::string_view kByLastName = " order by [Last Name] collate rolvane_text";
// The initial query as SQLite itself runs it on that index.
inline const std::string kInitialSql = "select * from Rolvane" + std::string(kByLastName);

// Read-write, never created, with the book's collation; null when the file cannot be opened.
Db open(const std::string& path);
Stmt prepare(sqlite3* db, std::string_view sql);

// Reads every column of the statement's current row as text, as showing it needs; returns the
// bytes read so the work cannot be optimised away.
std::size_t readRow(sqlite3_stmt* stmt);
// Prepare, step to the first row, read it, finalize: showing the first row of a query.
std::size_t firstRow(sqlite3* db, std::string_view sql);

// A stored row with its rowid, to put back exactly what a benchmark deleted or changed.
struct SavedRow {
    sqlite3_int64 rowid = 0;
    std::vector<std::optional<std::string>> values; // in table order
};
std::optional<SavedRow> saveFirstRow(sqlite3* db, std::string_view orderedSql);
bool restoreRow(sqlite3* db, const SavedRow& row); // insert or replace, same rowid
// "update ... set <every column> = ? where rowid = ?" with `row`'s values: puts a row back.
bool updateRow(sqlite3* db, const SavedRow& row);

// " and [First Name] is ? collate binary and ...": a write goes through only while the row holds
// what was shown, as the program writes.
std::string unchangedCondition();
// Binds `row`'s values to the condition's marks from `firstIndex`.
void bindUnchanged(sqlite3_stmt* stmt, int firstIndex, const SavedRow& row);

} // namespace rolvane::bench::bare
