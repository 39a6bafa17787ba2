// SPDX-License-Identifier: GPL-3.0-or-later
// The record source's way into the address book file: opening and probing it, the connection
// that reads result keys beside the one that writes, and what each way SQLite can fail means for
// the book.
#pragma once

#include "file_identity.h"
#include "source_notice.h"
#include "sqlite_db.h"

#include <QString>
#include <utility>

namespace rolvane {

class BookConnection {
public:
    explicit BookConnection(QString path) : path_(std::move(path)) {}
    BookConnection(const BookConnection&) = delete;
    BookConnection& operator=(const BookConnection&) = delete;

    bool isOpen() const { return first_.isOpen(); }
    const QString& path() const { return path_; }
    // Opens and checks the file once; on failure returns false with the reason in `why`.
    bool open(BookProblem& why);

    // Reads result keys: under the write-ahead log a connection of its own, whose snapshot keeps
    // a result as it was while it is read; otherwise the only one.
    const sqlite::Connection& reader() const { return first_; }
    // Reads rows and writes them. Under the write-ahead log a second connection, opened when a
    // row is wanted after the first one shown or a save comes, so that the first row waits for
    // one opening of the book, not two. Where that connection would not reach the book as it was
    // opened (the same file, writable), the reader goes on alone, as if it always had.
    const sqlite::Connection& writer() { return writable(); }
    // Where the first row of a new result is read: beside its keys, in the same snapshot, until
    // the writer has been used; from then on the writer, whose statements are prepared already.
    const sqlite::Connection& firstRowReader() { return writerUsed_ ? writer() : first_; }
    // The statement that checked the columns at open, prepared on the reader to read a row by
    // its rowid; empty after the first call.
    sqlite::Statement takeRowFetch() { return std::move(rowFetch_); }
    // Sets what the writer needs before it writes; SQLITE_OK, else why it cannot write.
    int readyToWrite();
    // Keys are read over the connection that writes: a result still being read would see the
    // rows written meanwhile.
    bool sharesOneConnection() const { return !beside_; }

    // Whether another connection or program has committed to the book since the last call (or
    // since it was opened); true too when that cannot be told, or nothing is open yet. The
    // record source's own writes do not count: the connection that writes is the one asked.
    bool changedElsewhere();

    // Copies the log back into the book once it has grown past SQLite's usual mark. Called
    // while no result is being read: a snapshot held by the reader would keep the log from
    // starting over, and every save would then pay for a checkpoint of its own.
    void checkpointIfDue();

    // Why `rc` happened on `db`.
    BookProblem problem(int rc, const sqlite::Connection& db) const;

private:
    // Which file keeps a write from happening: the book, its folder, or a file beside it.
    BookProblem readOnlyCause() const;
    sqlite::Connection& writable();
    // Opens the second connection as the book was opened; false, and none, when it cannot be.
    bool openBeside();

    QString path_;
    sqlite::Connection first_;  // opened and checked first; reads keys
    sqlite::Connection second_; // writes, under the write-ahead log
    sqlite::Statement rowFetch_;
    FileIdentity fileOpened_; // of the book when opened
    bool beside_ = false;     // a writer of its own, opened or to be opened
    bool writerUsed_ = false;
    bool synchronousFull_ = false;
    int logFrames_ = 0;                // pages in the log after the writer's last commit
    sqlite3_int64 versionSeen_ = -1;   // of the connection that writes, at the last look
    bool changedBeforeBeside_ = false; // seen on the reader as the writer opened
};

} // namespace rolvane
