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

QString BookConnection::reason(int rc, const sqlite::Connection& db) const {
    const QString why = db.lastError();
    switch (rc) {
    case SQLITE_READONLY:
        return QStringLiteral("the address book file \"%1\" is read-only.").arg(path_);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("another program is using the address book file \"%1\". "
                              "Try again in a moment.")
            .arg(path_);
    case SQLITE_NOTADB:
        return QStringLiteral("\"%1\" is not an address book file. It has been left unchanged.")
            .arg(path_);
    case SQLITE_CORRUPT:
        return QStringLiteral("the address book file \"%1\" is damaged.").arg(path_);
    case SQLITE_FULL:
        return QStringLiteral("the disk that holds \"%1\" is full.").arg(path_);
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_IOERR:
        return QStringLiteral("the address book file \"%1\" cannot be read or written (%2).")
            .arg(path_, why);
    default:
        if (why.startsWith(QLatin1String("no such table")))
            return QStringLiteral("the address book file \"%1\" has no contact table \"%2\".")
                .arg(path_, fromView(kTableName));
        if (why.startsWith(QLatin1String("no such column")))
            return QStringLiteral("the contact table has %1.").arg(why);
        return QStringLiteral("the database engine refused it (%1).").arg(why);
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

bool BookConnection::open(QString& why) {
    if (writer_.isOpen())
        return true;
    if (!QFileInfo(path_).isFile()) {
        why = QStringLiteral("the file \"%1\" was not found. Create it with the set-up tool: "
                             "rolvane-db create --sample")
                  .arg(path_);
        return false;
    }
    if (fileIsAccessDatabase(path_)) {
        why = QStringLiteral("\"%1\" is an Access file from an earlier address book, which Rolvane "
                             "does not open. Move it to another folder, then bring its contacts "
                             "over with the set-up tool: rolvane-db import \"NEW PLACE OF THE "
                             "FILE\"")
                  .arg(path_);
        return false;
    }
    int rc = writer_.open(path_);
    if (rc == SQLITE_OK)
        rc = probe(writer_);
    // Read-only media under a write-ahead log: nothing can change the file, read it as it lies.
    if (rc == SQLITE_CANTOPEN && writer_.isReadOnly() && writer_.openImmutable(path_) == SQLITE_OK)
        rc = probe(writer_);
    if (rc != SQLITE_OK) {
        const QString error = writer_.lastError();
        const QLatin1String noColumn("no such column: ");
        why = error.startsWith(noColumn)
                  ? QStringLiteral("the contact table in \"%1\" has no column \"%2\".")
                        .arg(path_, error.mid(noColumn.size()))
                  : reason(rc, writer_);
        writer_.close();
        return false;
    }
    if (const QString failed = prepareAddressBook(writer_); !failed.isEmpty()) {
        why = failed;
        writer_.close();
        return false;
    }
    // Two connections only when the log really took: the keyset then reads a snapshot while rows
    // are written beside it.
    if (!writer_.isReadOnly() && writer_.useWriteAheadLog() == QLatin1String("wal") &&
        reader_.open(path_) == SQLITE_OK) {
        jet::registerLikeFunction(reader_.get());
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
