// SPDX-License-Identifier: GPL-3.0-or-later
// Opening never creates or converts anything before the table and its columns are known to be
// there; a book that cannot take the write-ahead log works over one connection.
#include "book_connection.h"

#include "access_file.h"
#include "address_book_file.h"
#include "contact_table.h"
#include "current_row.h"
#include "file_identity.h"
#include "jet_like.h"
#include "text_view.h"

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
    if (!second_.isOpen() || logFrames_ < kCheckpointFrames)
        return;
    // Passive: another program's reader or writer is never waited for; what it holds back is
    // copied another time.
    int logged = 0;
    int copied = 0;
    if (sqlite3_wal_checkpoint_v2(second_.get(), "main", SQLITE_CHECKPOINT_PASSIVE, &logged,
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

bool BookConnection::open(BookProblem& why) {
    using Kind = BookProblem::Kind;
    if (first_.isOpen())
        return true;
    if (const QFileInfo file(path_); !file.isFile()) {
        why = {file.isDir() ? Kind::IsFolder : Kind::Missing, path_, {}};
        return false;
    }
    if (fileIsAccessDatabase(path_)) {
        why = {Kind::AccessFile, path_, {}};
        return false;
    }
    int rc = first_.open(path_);
    // Reads the schema and names the eleven columns: SQLITE_OK when all are there. The statement
    // then reads the first row shown.
    if (rc == SQLITE_OK)
        rc = rowFetch_.prepare(first_, rowFetchSql());
    if (rc != SQLITE_OK) {
        why = problem(rc, first_);
        rowFetch_.finalize();
        first_.close();
        return false;
    }
    if (const QString failed = prepareAddressBook(first_); !failed.isEmpty()) {
        why = {Kind::NotUpToDate, path_, failed};
        rowFetch_.finalize();
        first_.close();
        return false;
    }
    jet::registerLikeFunction(first_.get());
    writerUsed_ = false;
    synchronousFull_ = false;
    // Two connections only when the log really took: the keyset then reads a snapshot while rows
    // are written beside it.
    fileOpened_ = fileIdentity(path_);
    beside_ = !first_.isReadOnly() && first_.useWriteAheadLog() == QLatin1String("wal");
    if (!beside_)
        readyToWrite(); // the one connection has read the schema already
    versionSeen_ = first_.dataVersion();
    changedBeforeBeside_ = false;
    return true;
}

bool BookConnection::changedElsewhere() {
    const sqlite::Connection& own = second_.isOpen() ? second_ : first_;
    // Inside a read the version is that of its snapshot: a change may be hidden.
    if (!own.isOpen() || own.inRead())
        return true;
    const sqlite3_int64 now = own.dataVersion();
    const bool changed =
        std::exchange(changedBeforeBeside_, false) || now != versionSeen_ || now < 0;
    versionSeen_ = now;
    return changed;
}

bool BookConnection::openBeside() {
    // Made read-only, moved or replaced since it was opened: the reader still has the book as it
    // was, and writes it as the only connection would have.
    if (second_.open(path_) != SQLITE_OK || second_.isReadOnly() ||
        fileIdentity(path_) != fileOpened_) {
        second_.close();
        return false;
    }
    jet::registerLikeFunction(second_.get());
    // The reader has written nothing, so what it saw move was another's; from now on the writer
    // is asked, whose own commits leave its version alone. (A reader still inside a result sees
    // its snapshot: a commit since then goes unseen until the next one.)
    changedBeforeBeside_ = first_.dataVersion() != versionSeen_;
    versionSeen_ = second_.dataVersion();
    // In place of SQLite's checkpoint after a commit, which a reader's snapshot would turn into a
    // checkpoint after every commit: see checkpointIfDue.
    logFrames_ = 0;
    sqlite3_wal_hook(
        second_.get(),
        [](void* frames, sqlite3*, const char*, int count) {
            *static_cast<int*>(frames) = count;
            return SQLITE_OK;
        },
        &logFrames_);
    return true;
}

sqlite::Connection& BookConnection::writable() {
    writerUsed_ = true;
    if (beside_ && !second_.isOpen() && !openBeside())
        beside_ = false;
    return beside_ ? second_ : first_;
}

int BookConnection::readyToWrite() {
    sqlite::Connection& db = writable();
    if (synchronousFull_ || db.isReadOnly())
        return SQLITE_OK;
    // Switching to the log lowers SQLite's syncing to once per checkpoint; a save reported done
    // must survive a power cut too, so the log is synced at every commit.
    const int rc = db.exec("pragma synchronous=full");
    synchronousFull_ = rc == SQLITE_OK;
    return rc;
}

} // namespace rolvane
