// SPDX-License-Identifier: GPL-3.0-or-later
// Opening never creates or converts anything before the table and its columns are known to be
// there; a book that cannot take the write-ahead log works over one connection.
#include "book_connection.h"

#include "access_file.h"
#include "address_book_file.h"
#include "column_index.h"
#include "jet_like.h"

#include <QFileInfo>

namespace rolvane {

BookProblem BookConnection::readOnlyCause() const {
    using Kind = BookProblem::Kind;
    const QFileInfo book(path_);
    if (!book.isWritable())
        return {Kind::ReadOnlyFile, path_, {}};
    if (!QFileInfo(book.absolutePath()).isWritable())
        return {Kind::ReadOnlyFolder, book.absolutePath(), {}};
    // Left by a run that could only read the book: the book is writable again, they are not.
    for (const char* suffix : {"-shm", "-wal", "-journal"}) {
        const QFileInfo beside(path_ + QLatin1String(suffix));
        if (beside.exists() && !beside.isWritable())
            return {Kind::ReadOnlyFile, beside.filePath(), {}};
    }
    return {Kind::ReadOnlyFile, path_, {}};
}

void BookConnection::checkpointIfDue() {
    // SQLite's own mark for its checkpoint after a commit.
    constexpr int kCheckpointFrames = 1000;
    if (sharesOneConnection() || logFrames_ < kCheckpointFrames)
        return;
    // Passive: another program's reader or writer is never waited for; what it holds back is
    // copied another time.
    int logged = 0;
    int copied = 0;
    if (sqlite3_wal_checkpoint_v2(writer_.get(), "main", SQLITE_CHECKPOINT_PASSIVE, &logged,
                                  &copied) == SQLITE_OK &&
        copied == logged)
        logFrames_ = 0;
}

BookProblem BookConnection::problem(int rc, const sqlite::Connection& db) const {
    using Kind = BookProblem::Kind;
    const QString why = db.lastError();
    switch (rc) {
    case SQLITE_READONLY:
        return readOnlyCause();
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return {Kind::Busy, path_, {}};
    case SQLITE_NOTADB:
        return {Kind::NotABook, path_, {}};
    case SQLITE_CORRUPT:
        return {Kind::Damaged, path_, {}};
    case SQLITE_FULL:
        return {Kind::DiskFull, path_, {}};
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_IOERR:
        return {Kind::Unreachable, path_, why};
    default:
        if (why.startsWith(QLatin1String("no such table")))
            return {Kind::NoTable, path_, fromView(kTableName)};
        if (const QLatin1String noColumn("no such column: "); why.startsWith(noColumn))
            return {Kind::NoColumn, path_, why.mid(noColumn.size())};
        return {Kind::Refused, path_, why};
    }
}

namespace {
// Reads the schema and the eleven columns by name; SQLITE_OK when all are there.
int probe(const sqlite::Connection& db) {
    sqlite::Statement statement;
    return statement.prepare(db, QStringLiteral("select %1 from [%2] where 0")
                                     .arg(bracketedColumnList(), fromView(kTableName)));
}
} // namespace

bool BookConnection::open(BookProblem& why) {
    using Kind = BookProblem::Kind;
    if (writer_.isOpen())
        return true;
    if (const QFileInfo file(path_); !file.isFile()) {
        why = {file.isDir() ? Kind::IsFolder : Kind::Missing, path_, {}};
        return false;
    }
    if (fileIsAccessDatabase(path_)) {
        why = {Kind::AccessFile, path_, {}};
        return false;
    }
    int rc = writer_.open(path_);
    if (rc == SQLITE_OK)
        rc = probe(writer_);
    if (rc != SQLITE_OK) {
        why = problem(rc, writer_);
        writer_.close();
        return false;
    }
    if (const QString failed = prepareAddressBook(writer_); !failed.isEmpty()) {
        why = {Kind::NotUpToDate, path_, failed};
        writer_.close();
        return false;
    }
    // Two connections only when the log really took: the keyset then reads a snapshot while rows
    // are written beside it.
    if (!writer_.isReadOnly() && writer_.useWriteAheadLog() == QLatin1String("wal") &&
        reader_.open(path_) == SQLITE_OK) {
        jet::registerLikeFunction(reader_.get());
        // In place of SQLite's checkpoint after a commit, which a reader's snapshot would turn
        // into a checkpoint after every commit: see checkpointIfDue.
        logFrames_ = 0;
        sqlite3_wal_hook(
            writer_.get(),
            [](void* frames, sqlite3*, const char*, int count) {
                *static_cast<int*>(frames) = count;
                return SQLITE_OK;
            },
            &logFrames_);
    } else {
        reader_.close();
    }
    // Switching to the log lowers SQLite's syncing to once per checkpoint; a save reported done
    // must survive a power cut too, so the log is synced at every commit.
    if (!writer_.isReadOnly())
        writer_.exec("pragma synchronous=full");
    jet::registerLikeFunction(writer_.get());
    return true;
}

} // namespace rolvane
