// SPDX-License-Identifier: GPL-3.0-or-later
// One prepared insert naming all eleven columns, reused for every row.
#include "contact_insert.h"

#include "column_index.h"
#include "text_view.h"

namespace rolvane {

int ContactInsert::prepare(const sqlite::Connection& db) {
    QString marks;
    for (std::size_t i = 0; i < kColumnNames.size(); ++i)
        marks += i == 0 ? QLatin1String("?") : QLatin1String(", ?");
    return insert_.prepare(db, QStringLiteral("insert into [%1] (%2) values (%3)")
                                   .arg(fromView(kTableName), bracketedColumnList(), marks));
}

int ContactInsert::insert(const ContactValues& values) {
    sqlite3_stmt* stmt = insert_.get();
    int index = 1;
    for (const std::optional<std::string_view>& value : values) {
        if (value)
            // An empty view may hold no pointer, which SQLite would take for NULL.
            sqlite3_bind_text64(stmt, index, value->data() ? value->data() : "", value->size(),
                                SQLITE_STATIC, SQLITE_UTF8);
        else
            sqlite3_bind_null(stmt, index);
        ++index;
    }
    const int rc = insert_.step();
    insert_.reset();
    sqlite3_clear_bindings(stmt);
    return rc;
}

} // namespace rolvane
