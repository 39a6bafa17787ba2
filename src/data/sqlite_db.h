// SPDX-License-Identifier: GPL-3.0-or-later
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
    // cannot be written or its folder takes no new file (the journal could not be made there);
    // never creates it. A shared-memory file left read-only by an earlier reader is removed
    // first when nothing uses it. Returns the SQLite result code.
    int open(const QString& path);
    // Opens read-only a file on media nothing can change, whose folder cannot hold the lock file
    // a write-ahead log needs.
    int openImmutable(const QString& path);
    // Opens an existing file for reading only, whatever its permissions, also in a folder that
    // takes no new file.
    int openReadOnly(const QString& path);
    void close() { db_.reset(); }
    bool isOpen() const { return db_ != nullptr; }
    bool isReadOnly() const;
    sqlite3* get() const { return db_.get(); }
    QString lastError() const;
    // Runs SQL that returns no rows.
    int exec(const char* sql);
    // Switches to the write-ahead log and reads back the mode now in force ("wal" when it took).
    QString useWriteAheadLog();
    // PRAGMA data_version: it moves when another connection commits to the file, never for this
    // one's own commits. -1 when it cannot be read (the file busy, or not a database).
    sqlite3_int64 dataVersion() const;
    // Whether a statement is between its first step and its reset: the connection then sees the
    // file as that statement's snapshot holds it.
    bool inRead() const;

private:
    struct Closer {
        void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
    };
    int openWith(const QByteArray& name, int flags);
    std::unique_ptr<sqlite3, Closer> db_;
};

// A column value as stored, with its type (NULL, text, BLOB...), kept past its statement.
class StoredValue {
public:
    StoredValue() = default;
    explicit StoredValue(sqlite3_value* value) : value_(sqlite3_value_dup(value)) {}
    sqlite3_value* get() const { return value_.get(); }

private:
    struct Freer {
        void operator()(sqlite3_value* value) const { sqlite3_value_free(value); }
    };
    std::unique_ptr<sqlite3_value, Freer> value_;
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
    // A null value binds NULL.
    void bindValue(int index, const StoredValue& value) {
        sqlite3_bind_value(stmt_.get(), index, value.get());
    }
    StoredValue columnValue(int index) const {
        return StoredValue(sqlite3_column_value(stmt_.get(), index));
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
