// SPDX-License-Identifier: GPL-3.0-or-later
// The check reads only: the book is opened read-only, so even a damaged one is left as it was.
#include "book_check.h"

#include "data/sqlite_db.h"

#include <QFileInfo>
#include <QStringList>

namespace rolvane::tool {

CheckResult checkBook(const QString& path) {
    if (const QFileInfo file(path); !file.isFile())
        return {false, file.isDir()
                           ? QStringLiteral("\"%1\" is a folder, not an address book.").arg(path)
                           : QStringLiteral("\"%1\" was not found.").arg(path)};
    // The connection brings the collation, without which the index on names cannot be checked.
    sqlite::Connection db;
    if (const int rc = db.openReadOnly(path); rc != SQLITE_OK)
        return {false, QStringLiteral("\"%1\" cannot be opened: %2.")
                           .arg(path, db.isOpen() ? db.lastError()
                                                  : QString::fromUtf8(sqlite3_errstr(rc)))};
    sqlite::Statement check;
    int step = check.prepare(db, QStringLiteral("pragma integrity_check"));
    QStringList lines;
    while (step == SQLITE_OK || step == SQLITE_ROW) {
        step = check.step();
        if (step == SQLITE_ROW)
            lines << check.columnText(0);
    }
    if (step != SQLITE_DONE)
        return {false, QStringLiteral("\"%1\" cannot be checked: %2.").arg(path, db.lastError())};
    const bool ok = lines == QStringList{QStringLiteral("ok")};
    return {ok, lines.join(QLatin1Char('\n'))};
}

} // namespace rolvane::tool
