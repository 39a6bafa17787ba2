// SPDX-License-Identifier: GPL-3.0-or-later
// The sync's writes to the contact table, each by identity and only over the texts it expects:
// the window or another program may have written the contact since the sync read it.
#include "sync_store.h"

#include "data/contact_insert.h"
#include "data/text_view.h"

#include <QStringList>

namespace rolvane::carddav {

namespace {

QString columnList(const QString& prefix = {}) {
    QStringList names;
    for (std::string_view c : kColumnNames)
        names << prefix + QLatin1Char('[') + fromView(c) + QLatin1Char(']');
    return names.join(QStringLiteral(", "));
}

Texts rowTexts(const sqlite::Statement& s, int first) {
    Texts t;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const auto* text = sqlite3_column_text(s.get(), first + int(i));
        if (text)
            t[i].assign(reinterpret_cast<const char*>(text),
                        std::size_t(sqlite3_column_bytes(s.get(), first + int(i))));
    }
    return t;
}

bool sameStored(const Texts& a, const Texts& b) {
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!sameField(a, b, i))
            return false;
    return true;
}

const QString kByContact =
    QStringLiteral("rowid = (select [Row] from [Rolvane Contact] where [Id] = ?)");

} // namespace

SyncResult SyncStore::changeCount(qint64& out) {
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("select [Count] from [Rolvane Changes]")) != SQLITE_OK ||
        s.step() != SQLITE_ROW)
        return failure(QStringLiteral("read the contacts"));
    out = s.columnInt64(0);
    return {};
}

SyncResult SyncStore::rows(std::unordered_map<qint64, PackedTexts>& out) {
    // Straight into the map: a list first would hold every contact twice for a moment.
    out.clear();
    ++rowReadings_;
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("select c.[Id], %1 from [Rolvane] r join [Rolvane Contact] "
                                      "c on c.[Row] = r.rowid")
                           .arg(columnList(QStringLiteral("r.")))) != SQLITE_OK)
        return failure(QStringLiteral("read the contacts"));
    int rc;
    while ((rc = s.step()) == SQLITE_ROW)
        out.emplace(s.columnInt64(0), rowTexts(s, 1));
    return rc == SQLITE_DONE ? SyncResult() : failure(QStringLiteral("read the contacts"));
}

SyncResult SyncStore::readRow(qint64 contact, std::optional<Texts>& out) {
    out.reset();
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("select %1 from [Rolvane] where %2")
                           .arg(columnList(), kByContact)) != SQLITE_OK)
        return failure(QStringLiteral("read a contact"));
    s.bindInt64(1, contact);
    // A failing disk is not a contact deleted meanwhile.
    if (const int rc = s.step(); rc != SQLITE_ROW)
        return rc == SQLITE_DONE ? SyncResult() : failure(QStringLiteral("read a contact"));
    out = rowTexts(s, 0);
    return {};
}

SyncResult SyncStore::updateRow(qint64 contact, const Texts& expected, const Texts& next,
                                bool& applied) {
    applied = false;
    std::optional<Texts> now;
    if (SyncResult why = readRow(contact, now); !why.ok() || !now || !sameStored(*now, expected))
        return why;
    QStringList sets;
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < next.size(); ++i)
        if (!sameField(*now, next, i)) {
            sets << QStringLiteral("[%1] = ?").arg(fromView(kColumnNames[i]));
            changed.push_back(i);
        }
    applied = true;
    if (changed.empty())
        return {};
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("update [Rolvane] set %1 where %2")
                           .arg(sets.join(QStringLiteral(", ")), kByContact)) != SQLITE_OK)
        return failure(QStringLiteral("change a contact"));
    int index = 1;
    for (std::size_t i : changed)
        if (next[i].empty())
            ++index; // NULL, as a new contact's empty field
        else
            s.bindText(index++, QString::fromStdString(next[i]));
    s.bindInt64(index, contact);
    if (s.step() != SQLITE_DONE) {
        applied = false;
        return failure(QStringLiteral("change a contact"));
    }
    return {};
}

SyncResult SyncStore::deleteRow(qint64 contact, const Texts& expected, bool& applied) {
    applied = false;
    std::optional<Texts> now;
    if (SyncResult why = readRow(contact, now); !why.ok() || !now || !sameStored(*now, expected))
        return why;
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("delete from [Rolvane] where %1").arg(kByContact)) !=
        SQLITE_OK)
        return failure(QStringLiteral("delete a contact"));
    s.bindInt64(1, contact);
    if (s.step() != SQLITE_DONE)
        return failure(QStringLiteral("delete a contact"));
    applied = true;
    return {};
}

SyncResult SyncStore::insertRow(const Texts& texts, qint64& contact) {
    ContactInsert insert;
    if (insert.prepare(db_) != SQLITE_OK)
        return failure(QStringLiteral("add a contact"));
    ContactValues values;
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (!texts[i].empty())
            values[i] = texts[i];
    if (insert.insert(values) != SQLITE_DONE)
        return failure(QStringLiteral("add a contact"));
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("select [Id] from [Rolvane Contact] where [Row] = ?")) !=
        SQLITE_OK)
        return failure(QStringLiteral("add a contact"));
    s.bindInt64(1, sqlite3_last_insert_rowid(db_.get()));
    if (s.step() != SQLITE_ROW)
        return failure(QStringLiteral("add a contact"));
    contact = s.columnInt64(0);
    return {};
}

} // namespace rolvane::carddav
