// SPDX-License-Identifier: GPL-3.0-or-later
// Rows are read and compared by column name, so another tool reordering the table moves no value
// into the wrong field; `is` with a binary collation makes NULL, case and bytes all count.
#include "current_row.h"

#include "column_index.h"
#include "contact_identity.h"
#include "contact_insert.h"

namespace rolvane {

void CurrentRow::bind(BoundField* field) {
    fields_.push_back({field, columnIndex(field->dataField())});
}

void CurrentRow::unbind(BoundField* field) {
    std::erase_if(fields_, [field](const Binding& b) { return b.field == field; });
}

int CurrentRow::prepareOnce(sqlite::Statement& statement, const sqlite::Connection& db,
                            const QString& sql) {
    if (statement.isPrepared() && sqlite3_db_handle(statement.get()) == db.get())
        return SQLITE_OK;
    const int rc = statement.prepare(db, sql);
    if (rc != SQLITE_OK)
        statement.finalize();
    return rc;
}

const QString& rowFetchSql() {
    static const QString sql = QStringLiteral("select %1 from [%2] where rowid = ?")
                                   .arg(bracketedColumnList(), fromView(kTableName));
    return sql;
}

void CurrentRow::adoptFetch(sqlite::Statement&& fetch) {
    if (fetch.isPrepared())
        fetch_ = std::move(fetch);
}

int CurrentRow::read(const sqlite::Connection& db, sqlite3_int64 rowid) {
    if (const int rc = prepareOnce(fetch_, db, rowFetchSql()); rc != SQLITE_OK)
        return rc;
    fetch_.bindInt64(1, rowid);
    const int rc = fetch_.step();
    if (rc == SQLITE_ROW) {
        for (std::size_t i = 0; i < kColumnNames.size(); ++i) {
            stored_[i] = fetch_.columnValue(int(i));
            storedTexts_[i] = fetch_.columnText(int(i));
        }
    }
    fetch_.reset();
    if (rc == SQLITE_ROW) {
        identity_ = 0;
        // A book of an older schema, or opened read-only before its upgrade, keeps none.
        if (prepareOnce(identityFetch_, db,
                        QStringLiteral("select [Id] from %1 where [Row] = ?")
                            .arg(QLatin1String(kIdentityTable))) == SQLITE_OK) {
            identityFetch_.bindInt64(1, rowid);
            if (identityFetch_.step() == SQLITE_ROW)
                identity_ = identityFetch_.columnInt64(0);
            identityFetch_.reset();
        }
        restore();
    }
    return rc;
}

void CurrentRow::showNothing() {
    for (std::size_t i = 0; i < kColumnNames.size(); ++i) {
        stored_[i] = sqlite::StoredValue();
        storedTexts_[i].clear();
    }
    identity_ = 0;
    restore();
}

void CurrentRow::restore() {
    for (const Binding& b : fields_) {
        b.field->setText(b.column < 0 ? QString() : storedTexts_[std::size_t(b.column)]);
        b.field->setEdited(false);
    }
}

bool CurrentRow::hasEdits() const {
    return std::any_of(fields_.begin(), fields_.end(),
                       [](const Binding& b) { return b.field->isEdited(); });
}

std::vector<std::pair<QString, QString>> CurrentRow::shownTexts() const {
    std::vector<std::pair<QString, QString>> texts;
    for (std::size_t c = 0; c < kColumnNames.size(); ++c) {
        for (const Binding& b : fields_) {
            if (b.column == int(c)) {
                texts.emplace_back(fromView(kColumnNames[c]), b.field->text());
                break;
            }
        }
    }
    return texts;
}

void CurrentRow::clearEdits() {
    for (const Binding& b : fields_)
        b.field->setEdited(false);
}

QString CurrentRow::unchangedCondition() {
    QString condition;
    for (std::string_view column : kColumnNames)
        condition += QStringLiteral(" and [%1] is ? collate binary").arg(fromView(column));
    return condition;
}

void CurrentRow::bindStored(sqlite::Statement& statement, int firstIndex) const {
    for (std::size_t i = 0; i < kColumnNames.size(); ++i)
        statement.bindValue(firstIndex + int(i), stored_[i]);
}

int CurrentRow::changedOrDone(int rc, const sqlite::Connection& db) const {
    if (rc != SQLITE_DONE)
        return rc;
    return sqlite3_changes(db.get()) == 0 ? kChangedElsewhere : SQLITE_DONE;
}

unsigned CurrentRow::editedColumns() const {
    unsigned columns = 0;
    for (const Binding& b : fields_) {
        if (b.field->isEdited() && b.column >= 0)
            columns |= 1u << b.column;
    }
    return columns;
}

QString CurrentRow::assignments(unsigned columns) {
    QString text;
    for (std::size_t c = 0; c < kColumnNames.size(); ++c) {
        if (columns & (1u << c))
            text += QLatin1String(text.isEmpty() ? "[" : ", [") + fromView(kColumnNames[c]) +
                    QLatin1String("] = ?");
    }
    return text;
}

int CurrentRow::bindEdited(sqlite::Statement& statement, unsigned columns) const {
    // Bound in column order, as the assignments were written; one field per column.
    int index = 1;
    for (std::size_t c = 0; c < kColumnNames.size(); ++c) {
        if (!(columns & (1u << c)))
            continue;
        for (const Binding& b : fields_) {
            if (b.column == int(c) && b.field->isEdited()) {
                statement.bindText(index, b.field->text());
                break;
            }
        }
        ++index;
    }
    return index;
}

int CurrentRow::update(const sqlite::Connection& db, sqlite3_int64 rowid) {
    const unsigned columns = editedColumns();
    if (columns == 0)
        return SQLITE_DONE;
    if (columns != updateColumns_)
        update_.finalize();
    updateColumns_ = columns;
    if (const int rc =
            prepareOnce(update_, db,
                        QStringLiteral("update [%1] set %2 where rowid = ?%3")
                            .arg(fromView(kTableName), assignments(columns), unchangedCondition()));
        rc != SQLITE_OK)
        return rc;
    int index = bindEdited(update_, columns);
    update_.bindInt64(index++, rowid);
    bindStored(update_, index);
    const int rc = changedOrDone(update_.step(), db);
    update_.reset();
    return rc;
}

int CurrentRow::overwrite(const sqlite::Connection& db, sqlite3_int64 rowid) {
    const unsigned columns = editedColumns();
    if (columns == 0)
        return SQLITE_DONE;
    // Asked for once in a while, after a conflict: prepared each time.
    // Never over another contact that took the rowid of one deleted meanwhile.
    const QString sameContact =
        identity_ == 0
            ? QString()
            : QStringLiteral(" and exists (select 1 from %1 where [Row] = [Rolvane].rowid and "
                             "[Id] = ?)")
                  .arg(QLatin1String(kIdentityTable));
    sqlite::Statement statement;
    if (const int rc = statement.prepare(
            db, QStringLiteral("update [%1] set %2 where rowid = ?%3")
                    .arg(fromView(kTableName), assignments(columns), sameContact));
        rc != SQLITE_OK)
        return rc;
    const int index = bindEdited(statement, columns);
    statement.bindInt64(index, rowid);
    if (identity_ != 0)
        statement.bindInt64(index + 1, identity_);
    return changedOrDone(statement.step(), db);
}

int CurrentRow::remove(const sqlite::Connection& db, sqlite3_int64 rowid) {
    if (const int rc = prepareOnce(remove_, db,
                                   QStringLiteral("delete from [%1] where rowid = ?%2")
                                       .arg(fromView(kTableName), unchangedCondition()));
        rc != SQLITE_OK)
        return rc;
    remove_.bindInt64(1, rowid);
    bindStored(remove_, 2);
    const int rc = changedOrDone(remove_.step(), db);
    remove_.reset();
    return rc;
}

int CurrentRow::insert(const sqlite::Connection& db, sqlite3_int64& rowid, bool allShown) {
    std::array<QByteArray, kColumnNames.size()> texts;
    ContactValues values;
    for (const Binding& b : fields_) {
        if ((!allShown && !b.field->isEdited()) || b.column < 0)
            continue;
        const auto column = std::size_t(b.column);
        texts[column] = b.field->text().toUtf8();
        values[column] =
            std::string_view(texts[column].constData(), std::size_t(texts[column].size()));
    }
    ContactInsert insert;
    if (const int rc = insert.prepare(db); rc != SQLITE_OK)
        return rc;
    const int rc = insert.insert(values);
    if (rc == SQLITE_DONE)
        rowid = sqlite3_last_insert_rowid(db.get());
    return rc;
}

} // namespace rolvane
