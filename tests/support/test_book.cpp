// SPDX-License-Identifier: GPL-3.0-or-later
// Test address books: contacts go in through the one insert the program and the set-up tool use;
// everything else is plain SQL, so tests never read the record source back with itself.
#include "test_book.h"

#include "data/address_book_file.h"
#include "data/column_index.h"
#include "data/contact_insert.h"
#include "data/name_collation.h"

#include <QTest>
#include <memory>
#include <sqlite3.h>

namespace rolvane::test {

namespace {
using Db = std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)>;

Db openDb(const QString& path) {
    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(raw, 2000);
    rolvane::collation::registerCollation(raw);
    return Db(raw, &sqlite3_close_v2);
}
} // namespace

TestBook::TestBook(bool create) : path_(dir_.filePath(QStringLiteral("addy.mdb"))) {
    if (create) {
        const BookProblem error = createAddressBook(path_);
        if (error.kind != BookProblem::Kind::None)
            qFatal("could not create a book: %s", qPrintable(error.detail));
    }
}

qint64 TestBook::insert(std::initializer_list<std::pair<const char*, QString>> columns) {
    std::array<QByteArray, kColumnNames.size()> texts;
    ContactValues values;
    for (const auto& c : columns) {
        const int column = columnIndex(QString::fromUtf8(c.first));
        if (column < 0)
            qFatal("no column %s", c.first);
        texts[std::size_t(column)] = c.second.toUtf8();
        const QByteArray& text = texts[std::size_t(column)];
        values[std::size_t(column)] = std::string_view(text.constData(), std::size_t(text.size()));
    }
    sqlite::Connection db;
    ContactInsert insert;
    if (db.open(path_) != SQLITE_OK || insert.prepare(db) != SQLITE_OK ||
        insert.insert(values) != SQLITE_DONE)
        qFatal("insert failed: %s", qPrintable(db.lastError()));
    return sqlite3_last_insert_rowid(db.get());
}

void TestBook::insertLastNames(const QStringList& lastNames) {
    // One transaction: thousands of contacts take a moment, not a minute of syncs.
    sqlite::Connection db;
    ContactInsert insert;
    if (db.open(path_) != SQLITE_OK || db.exec("begin") != SQLITE_OK ||
        insert.prepare(db) != SQLITE_OK)
        qFatal("insert failed: %s", qPrintable(db.lastError()));
    for (const QString& name : lastNames) {
        const QByteArray text = name.toUtf8();
        ContactValues values;
        values[std::size_t(columnIndex(QStringLiteral("Last Name")))] =
            std::string_view(text.constData(), std::size_t(text.size()));
        if (insert.insert(values) != SQLITE_DONE)
            qFatal("insert failed: %s", qPrintable(db.lastError()));
    }
    if (db.exec("commit") != SQLITE_OK)
        qFatal("insert failed: %s", qPrintable(db.lastError()));
}

QString TestBook::value(const QString& sql) const {
    Db db = openDb(path_);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
        qFatal("bad test SQL: %s", sqlite3_errmsg(db.get()));
    QString result;
    if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL)
        result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                                   sqlite3_column_bytes(stmt, 0));
    sqlite3_finalize(stmt);
    return result;
}

int TestBook::count(const QString& where) const {
    return value(QStringLiteral("select count(*) from Rolvane") +
                 (where.isEmpty() ? QString() : QStringLiteral(" where ") + where))
        .toInt();
}

void TestBook::exec(const QString& sql) const {
    Db db = openDb(path_);
    char* error = nullptr;
    if (sqlite3_exec(db.get(), sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QByteArray why(error);
        sqlite3_free(error);
        qFatal("test SQL failed: %s", why.constData());
    }
}

} // namespace rolvane::test
