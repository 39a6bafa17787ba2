// SPDX-License-Identifier: GPL-3.0-or-later
// The record source's way into the address book file: opening and probing it, the second
// connection that reads result keys, and the plain words for every way SQLite can fail.
#pragma once

#include "sqlite_db.h"

#include <QString>

namespace rolvane {

class BookConnection {
public:
    explicit BookConnection(QString path) : path_(std::move(path)) {}
    BookConnection(const BookConnection&) = delete;
    BookConnection& operator=(const BookConnection&) = delete;

    bool isOpen() const { return writer_.isOpen(); }
    // Opens and checks the file once; on failure returns false with the reason in `why`.
    bool open(QString& why);

    // Fetches rows and writes them.
    const sqlite::Connection& writer() const { return writer_; }
    // Reads result keys: a connection of its own under the write-ahead log, whose snapshot keeps
    // a result as it was while it is read; otherwise the writer itself.
    const sqlite::Connection& reader() const { return reader_.isOpen() ? reader_ : writer_; }

    // Why `rc` happened on `db`, as the end of a sentence: "the disk that holds ... is full."
    QString reason(int rc, const sqlite::Connection& db) const;

private:
    QString path_;
    sqlite::Connection writer_;
    sqlite::Connection reader_;
};

} // namespace rolvane
