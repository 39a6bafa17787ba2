// Each column is TEXT COLLATE NOCASE, so comparing and sorting ignore the case of letters; there is
// no key column, rows are known by their rowid.
#include "address_book_file.h"

#include "contact_table.h"
#include "sqlite_db.h"
#include "text_view.h"

#include <QFileInfo>
#include <QStringList>

namespace rolvane {

QString createAddressBook(const QString& path) {
    if (QFileInfo::exists(path))
        return QStringLiteral("\"%1\" already exists; it was left unchanged.").arg(path);
    sqlite3* raw = nullptr;
    const QByteArray name = path.toUtf8();
    const int rc = sqlite3_open_v2(
        name.constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE,
        nullptr);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)> db(raw, &sqlite3_close_v2);
    if (rc != SQLITE_OK)
        return QStringLiteral("Could not create \"%1\": %2.")
            .arg(path, QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));

    QStringList columns;
    for (std::string_view column : kColumnNames)
        columns << QStringLiteral("[%1] TEXT COLLATE NOCASE").arg(fromView(column));
    const QString table = fromView(kTableName);
    const QString sql = QStringLiteral("pragma journal_mode=wal;"
                                       "begin;"
                                       "create table [%1] (%2);"
                                       "create index [%1 by Last Name] on [%1] ([Last Name]);"
                                       "commit;")
                            .arg(table, columns.join(QStringLiteral(", ")));
    char* error = nullptr;
    if (sqlite3_exec(db.get(), sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString why = QString::fromUtf8(error);
        sqlite3_free(error);
        return QStringLiteral("Could not create \"%1\": %2.").arg(path, why);
    }
    return {};
}

} // namespace rolvane
