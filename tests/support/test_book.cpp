// Test address books, through the plain SQLite API so tests never check the code with itself; only
// the book's collation is registered, without which SQLite refuses to write the index on names.
#include "test_book.h"

#include "data/address_book_file.h"
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
        const QString error = createAddressBook(path_);
        if (!error.isEmpty())
            qFatal("%s", qPrintable(error));
    }
}

qint64 TestBook::insert(std::initializer_list<std::pair<const char*, QString>> columns) {
    QStringList names, marks;
    for (const auto& c : columns) {
        names << QStringLiteral("[%1]").arg(QString::fromUtf8(c.first));
        marks << QStringLiteral("?");
    }
    const QString sql = QStringLiteral("insert into Rolvane (%1) values (%2)")
                            .arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    Db db = openDb(path_);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db.get(), sql.toUtf8().constData(), -1, &stmt, nullptr);
    int i = 1;
    for (const auto& c : columns) {
        const QByteArray text = c.second.toUtf8();
        sqlite3_bind_text(stmt, i++, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        qFatal("insert failed: %s", sqlite3_errmsg(db.get()));
    return sqlite3_last_insert_rowid(db.get());
}

void TestBook::insertLastNames(const QStringList& lastNames) {
    for (const QString& name : lastNames)
        insert({{"Last Name", name}});
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
