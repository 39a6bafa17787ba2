// A thin RAII layer over the SQLite C API: one connection, its prepared statements.
#pragma once

#include <QString>
#include <memory>
#include <sqlite3.h>

namespace rolvane::sqlite {

class Connection {
public:
    Connection() = default;
    // Opens an existing file for reading and writing, falling back to read-only when the file
    // cannot be written; never creates it. Returns the SQLite result code.
    int open(const QString& path);
    void close() { db_.reset(); }
    bool isOpen() const { return db_ != nullptr; }
    bool isReadOnly() const;
    sqlite3* get() const { return db_.get(); }
    QString lastError() const;
    // Runs SQL that returns no rows.
    int exec(const char* sql);

private:
    struct Closer {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };
    std::unique_ptr<sqlite3, Closer> db_;
};

class Statement {
public:
    Statement() = default;
    int prepare(const Connection& db, const QString& sql);
    void finalize() { stmt_.reset(); }
    bool isPrepared() const { return stmt_ != nullptr; }
    sqlite3_stmt* get() const { return stmt_.get(); }

    int step() { return sqlite3_step(stmt_.get()); }
    void reset() {
        if (stmt_)
            sqlite3_reset(stmt_.get());
    }
    void bindText(int index, const QString& text);
    void bindInt64(int index, sqlite3_int64 value) {
        sqlite3_bind_int64(stmt_.get(), index, value);
    }
    QString columnText(int index) const;
    sqlite3_int64 columnInt64(int index) const { return sqlite3_column_int64(stmt_.get(), index); }
    int columnCount() const { return sqlite3_column_count(stmt_.get()); }
    QString columnName(int index) const;

private:
    struct Finalizer {
        void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
    };
    std::unique_ptr<sqlite3_stmt, Finalizer> stmt_;
};

} // namespace rolvane::sqlite
