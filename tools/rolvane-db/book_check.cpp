// The check reads only: the book is opened read-only, so even a damaged one is left as it was.
#include "book_check.h"

#include "data/name_collation.h"
#include "data/sqlite_db.h"

#include <QFileInfo>
#include <QStringList>
#include <memory>

namespace rolvane::tool {

CheckResult checkBook(const QString& path) {
    if (!QFileInfo(path).isFile())
        return {false, QStringLiteral("\"%1\" was not found.").arg(path)};
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close_v2)> db(raw, &sqlite3_close_v2);
    if (rc != SQLITE_OK || collation::registerCollation(raw) != SQLITE_OK)
        return {false,
                QStringLiteral("\"%1\" cannot be opened: %2.")
                    .arg(path, QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)))};
    sqlite3_busy_timeout(raw, 2000);

    sqlite3_stmt* rawStmt = nullptr;
    sqlite3_prepare_v2(raw, "pragma integrity_check", -1, &rawStmt, nullptr);
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(rawStmt, &sqlite3_finalize);
    QStringList lines;
    int step = SQLITE_ERROR;
    while (stmt && (step = sqlite3_step(stmt.get())) == SQLITE_ROW)
        lines << QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0)));
    if (step != SQLITE_DONE)
        return {false, QStringLiteral("\"%1\" cannot be checked: %2.")
                           .arg(path, QString::fromUtf8(sqlite3_errmsg(raw)))};
    const bool ok = lines == QStringList{QStringLiteral("ok")};
    return {ok, lines.join(QLatin1Char('\n'))};
}

} // namespace rolvane::tool
