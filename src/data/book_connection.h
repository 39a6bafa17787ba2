// SPDX-License-Identifier: GPL-3.0-or-later
// The record source's way into the address book file: opening and probing it, the second
// connection that reads result keys, and what each way SQLite can fail means for the book.
#pragma once

#include "source_notice.h"
#include "sqlite_db.h"

#include <QString>

namespace rolvane {

class BookConnection {
public:
    explicit BookConnection(QString path) : path_(std::move(path)) {}
    BookConnection(const BookConnection&) = delete;
    BookConnection& operator=(const BookConnection&) = delete;

    bool isOpen() const { return writer_.isOpen(); }
    const QString& path() const { return path_; }
    // Opens and checks the file once; on failure returns false with the reason in `why`.
    bool open(BookProblem& why);

    // Fetches rows and writes them.
    const sqlite::Connection& writer() const { return writer_; }
    // Reads result keys: a connection of its own under the write-ahead log, whose snapshot keeps
    // a result as it was while it is read; otherwise the writer itself.
    const sqlite::Connection& reader() const { return reader_.isOpen() ? reader_ : writer_; }
    // Keys are read over the connection that writes: a result still being read would see the
    // rows written meanwhile.
    bool sharesOneConnection() const { return !reader_.isOpen(); }

    // Copies the log back into the book once it has grown past SQLite's usual mark. Called
    // while no result is being read: a snapshot held by the reader would keep the log from
    // starting over, and every save would then pay for a checkpoint of its own.
    void checkpointIfDue();

    // Why `rc` happened on `db`.
    BookProblem problem(int rc, const sqlite::Connection& db) const;

private:
    // Which file keeps a write from happening: the book, its folder, or a file beside it.
    BookProblem readOnlyCause() const;

    QString path_;
    sqlite::Connection writer_;
    sqlite::Connection reader_;
    int logFrames_ = 0; // pages in the log after the writer's last commit
};

} // namespace rolvane
