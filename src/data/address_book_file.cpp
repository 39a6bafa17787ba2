// SPDX-License-Identifier: GPL-3.0-or-later
// Columns stay TEXT COLLATE NOCASE, so any SQLite tool can select, compare and sort them. The
// index on last names is in the book's own collation: a tool without it can read the book, but
// any write that would change the index fails ("no such collation sequence") rather than leave it
// out of order. A new book is the first schema brought up to date, so both take the same path.
#include "address_book_file.h"

#include "book_build_file.h"
#include "contact_identity.h"
#include "contact_table.h"
#include "name_collation.h"
#include "sqlite_db.h"
#include "text_view.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <unistd.h>
#endif

namespace rolvane {

namespace {

const QString kIndex = QStringLiteral("[Rolvane by Last Name]");
const QString kCollationTable = QStringLiteral("[Rolvane Collation]");

int exec(sqlite::Connection& db, const QString& sql) {
    return db.exec(sql.toUtf8().constData());
}

int userVersion(const sqlite::Connection& db) {
    sqlite::Statement stmt;
    if (stmt.prepare(db, QStringLiteral("pragma user_version")) != SQLITE_OK ||
        stmt.step() != SQLITE_ROW)
        return -1;
    return int(stmt.columnInt64(0));
}

// Empty when the book records none.
QString storedCollatorVersion(const sqlite::Connection& db) {
    sqlite::Statement stmt;
    if (stmt.prepare(db, QStringLiteral("select [Version] from %1").arg(kCollationTable)) !=
            SQLITE_OK ||
        stmt.step() != SQLITE_ROW)
        return {};
    return stmt.columnText(0);
}

// Inside a write transaction: the collated index (new, or rebuilt in this collator's order) and
// the records of schema and collator. Returns an SQLite result code.
int bringUpToDate(sqlite::Connection& db, int fromVersion) {
    int rc = installContactIdentity(db);
    if (rc != SQLITE_OK ||
        (fromVersion >= 1 &&
         storedCollatorVersion(db) == QString::fromStdString(collation::collatorVersion())))
        return rc == SQLITE_OK
                   ? exec(db, QStringLiteral("pragma user_version = %1").arg(kSchemaVersion))
                   : rc;
    const QString table = fromView(kTableName);
    const QString collationName = fromView(collation::kName);
    if (fromVersion < 1) {
        rc = exec(db, QStringLiteral("drop index if exists %1; "
                                     "create index %1 on [%2] ([Last Name] collate %3)")
                          .arg(kIndex, table, collationName));
    } else {
        rc = exec(db, QStringLiteral("reindex %1").arg(collationName));
    }
    // SQLite counts rows from its narrowest index, which a tool without the collation cannot
    // open; a stated row width wider than the table's keeps a bare count(*) on the table. The
    // other figures only say "large, nearly unique", which keeps the index serving every query.
    if (rc == SQLITE_OK)
        rc = exec(db, QStringLiteral("analyze sqlite_schema; "
                                     "delete from sqlite_stat1 where idx = '%1'; "
                                     "insert into sqlite_stat1 values ('%2', '%1', "
                                     "'1000000 1 sz=1000')")
                          .arg(kIndex.mid(1, kIndex.size() - 2), table));
    if (rc == SQLITE_OK)
        rc = exec(db, QStringLiteral("create table if not exists %1 ([Version] text not null); "
                                     "delete from %1")
                          .arg(kCollationTable));
    if (rc == SQLITE_OK) {
        sqlite::Statement record;
        rc = record.prepare(db, QStringLiteral("insert into %1 values (?)").arg(kCollationTable));
        if (rc == SQLITE_OK) {
            record.bindText(1, QString::fromStdString(collation::collatorVersion()));
            rc = record.step() == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
        }
    }
    if (rc == SQLITE_OK)
        rc = exec(db, QStringLiteral("pragma user_version = %1").arg(kSchemaVersion));
    return rc;
}

// Gives the finished book its name; refuses, atomically, when the name is taken.
BookProblem linkIntoPlace(const QString& from, const QString& to) {
    using Kind = BookProblem::Kind;
#ifdef Q_OS_UNIX
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return {};
    if (errno == EEXIST)
        return {Kind::Exists, to, {}};
    return {Kind::NotCreated, to, QString::fromLocal8Bit(std::strerror(errno))};
#else
    // Rename never replaces an existing file here.
    if (QFile::rename(from, to))
        return {};
    return {QFileInfo::exists(to) ? Kind::Exists : Kind::NotCreated, to, {}};
#endif
}

// Empty on success, else the engine's words; a book that opened read-only says nothing more.
QString makeSchema(const QString& path) {
    sqlite::Connection db;
    if (const int rc = db.open(path); rc != SQLITE_OK || db.isReadOnly())
        return rc != SQLITE_OK ? db.lastError()
                               : QString::fromUtf8(sqlite3_errstr(SQLITE_READONLY));
    QStringList columns;
    for (std::string_view column : kColumnNames)
        columns << QStringLiteral("[%1] TEXT COLLATE NOCASE").arg(fromView(column));
    int rc = exec(db, QStringLiteral("pragma journal_mode=wal; begin; create table [%1] (%2)")
                          .arg(fromView(kTableName), columns.join(QStringLiteral(", "))));
    if (rc == SQLITE_OK)
        rc = bringUpToDate(db, 0);
    if (rc == SQLITE_OK)
        rc = db.exec("commit");
    return rc == SQLITE_OK ? QString() : db.lastError();
}

} // namespace

BookProblem createAddressBook(const QString& path, const BookFiller& fill) {
    using Kind = BookProblem::Kind;
    // What killed builds left goes first; builds still running hold their files locked.
    removeStaleBuilds(path);
    const QFileInfo target(path);
    if (target.exists() || target.isSymLink())
        return {Kind::Exists, path, {}};
    // Beside the book, so that linking it into place stays within one file system. Removed when
    // this returns, by its temporary name only.
    BookBuildFile temporary;
    if (const QString failed = temporary.open(path); !failed.isEmpty())
        return {Kind::NotCreated, path, failed};
    const QString building = temporary.path();

    BookProblem why;
    if (const QString failed = makeSchema(building); !failed.isEmpty())
        why = {Kind::NotCreated, path, failed};
    if (why.kind == Kind::None && fill) {
        if (const QString failed = fill(building); !failed.isEmpty())
            why = {Kind::NotFilled, path, failed};
    }
    if (why.kind == Kind::None)
        why = linkIntoPlace(building, path);
    return why;
}

QString prepareAddressBook(sqlite::Connection& db) {
    if (db.isReadOnly())
        return {};
    const QString current = QString::fromStdString(collation::collatorVersion());
    // A tool that rebuilt the table dropped the identity triggers with it.
    const auto upToDate = [&](int version) {
        return version > kSchemaVersion ||
               (version == kSchemaVersion && storedCollatorVersion(db) == current &&
                contactIdentityInstalled(db));
    };
    if (const int version = userVersion(db); version < 0 || upToDate(version))
        return {};

    // Looked at again inside the transaction: another copy may have done it meanwhile.
    int rc = db.exec("begin immediate");
    if (rc == SQLITE_BUSY || rc == SQLITE_READONLY || rc == SQLITE_CANTOPEN || rc == SQLITE_PERM)
        return {}; // used as it is; the next opening tries again
    if (rc == SQLITE_OK) {
        const int version = userVersion(db);
        if (!upToDate(version))
            rc = bringUpToDate(db, version);
    }
    if (rc == SQLITE_OK)
        rc = db.exec("commit");
    if (rc == SQLITE_OK)
        return {};
    QString why = db.lastError();
    if (why.isEmpty())
        why = QString::fromUtf8(sqlite3_errstr(rc));
    db.exec("rollback");
    return why;
}

} // namespace rolvane
