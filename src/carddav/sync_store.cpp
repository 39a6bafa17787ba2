// SPDX-License-Identifier: GPL-3.0-or-later
// Every statement is prepared from constant text; values are always bound.
#include "sync_store.h"

#include "data/contact_insert.h"
#include "data/text_view.h"

#include <QStringList>

namespace rolvane::carddav {

namespace {

constexpr const char* kSchema =
    "create table if not exists [Rolvane Sync Link] ([Schema] integer not null, [Url] text not "
    "null, [User] text, [Name] text, [Token] text, [Paired] integer not null default 0, "
    "[Version4] integer not null default 0, [Last Sync] text, [Last Result] text);"
    "create table if not exists [Rolvane Sync Item] ([Id] integer primary key, [Row] integer, "
    "[Href] text not null unique, [Uid] text, [ETag] blob, [Card] blob, [Synced] blob, "
    "[Unlisted] integer not null default 0);"
    "create index if not exists [Rolvane Sync Item by Row] on [Rolvane Sync Item] ([Row]);"
    "create trigger if not exists [Rolvane Sync Delete] after delete on [Rolvane] begin "
    "update [Rolvane Sync Item] set [Row] = null where [Row] = old.rowid; end;"
    "create trigger if not exists [Rolvane Sync Insert] after insert on [Rolvane] begin "
    "update [Rolvane Sync Item] set [Row] = null where [Row] = new.rowid; end;";

constexpr const char* kDrop =
    "drop trigger if exists [Rolvane Sync Delete]; drop trigger if exists [Rolvane Sync Insert];"
    "drop table if exists [Rolvane Sync Item]; drop table if exists [Rolvane Sync Link];";

// The version of the tables above, kept in the link's row.
constexpr int kSyncSchema = 1;

QString columnList() {
    QStringList names;
    for (std::string_view c : kColumnNames)
        names << QLatin1Char('[') + fromView(c) + QLatin1Char(']');
    return names.join(QStringLiteral(", "));
}

std::string blob(const sqlite::Statement& s, int column) {
    const void* data = sqlite3_column_blob(s.get(), column);
    return data ? std::string(static_cast<const char*>(data),
                              std::size_t(sqlite3_column_bytes(s.get(), column)))
                : std::string();
}

void bindBlob(sqlite::Statement& s, int index, std::string_view bytes) {
    sqlite3_bind_blob(s.get(), index, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT);
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

} // namespace

QString SyncStore::failure(const QString& doing) const {
    return QStringLiteral("Could not %1 in \"%2\": %3.").arg(doing, path_, db_.lastError());
}

QString SyncStore::open(const QString& bookPath) {
    path_ = bookPath;
    if (const int rc = db_.open(bookPath); rc != SQLITE_OK)
        return QStringLiteral("Could not open the address book \"%1\": %2.")
            .arg(bookPath, QString::fromUtf8(sqlite3_errstr(rc)));
    if (db_.isReadOnly())
        return QStringLiteral("The address book \"%1\" is read-only.").arg(bookPath);
    // The sync reads each page once, in order: a small cache costs it nothing.
    db_.exec("pragma cache_size = -512");
    return {};
}

std::optional<Link> SyncStore::link(QString* why) {
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("select [Url], [User], [Name], [Token], [Paired], "
                                      "[Version4], [Last Sync], [Last Result] from "
                                      "[Rolvane Sync Link]")) != SQLITE_OK) {
        // No table: never linked.
        return std::nullopt;
    }
    const int rc = s.step();
    if (rc != SQLITE_ROW) {
        if (rc != SQLITE_DONE && why)
            *why = failure(QStringLiteral("read the link"));
        return std::nullopt;
    }
    Link l;
    l.url = s.columnText(0);
    l.user = s.columnText(1);
    l.name = s.columnText(2);
    l.token = s.columnText(3);
    l.paired = s.columnInt64(4) != 0;
    l.version4 = s.columnInt64(5) != 0;
    l.lastSync = s.columnText(6);
    l.lastResult = s.columnText(7);
    return l;
}

QString SyncStore::addLink(const Link& link) {
    if (db_.exec("begin immediate") != SQLITE_OK)
        return failure(QStringLiteral("link the book"));
    QString why;
    if (db_.exec(kSchema) != SQLITE_OK)
        why = failure(QStringLiteral("add the sync's tables"));
    sqlite::Statement count;
    if (why.isEmpty() &&
        (count.prepare(db_, QStringLiteral("select count(*) from [Rolvane Sync Link]")) !=
             SQLITE_OK ||
         count.step() != SQLITE_ROW))
        why = failure(QStringLiteral("read the link"));
    if (why.isEmpty() && count.columnInt64(0) > 0)
        why = QStringLiteral("This book is already linked; \"rolvane-db sync remove\" forgets "
                             "that link.");
    count.finalize();
    sqlite::Statement add;
    if (why.isEmpty() &&
        add.prepare(db_, QStringLiteral("insert into [Rolvane Sync Link] ([Schema], [Url], [User], "
                                        "[Name], [Version4]) values (?, ?, ?, ?, ?)")) ==
            SQLITE_OK) {
        add.bindInt64(1, kSyncSchema);
        add.bindText(2, link.url);
        add.bindText(3, link.user);
        add.bindText(4, link.name);
        add.bindInt64(5, link.version4 ? 1 : 0);
        if (add.step() != SQLITE_DONE)
            why = failure(QStringLiteral("store the link"));
    }
    add.finalize();
    if (why.isEmpty() && db_.exec("commit") != SQLITE_OK)
        why = failure(QStringLiteral("store the link"));
    if (!why.isEmpty())
        db_.exec("rollback");
    return why;
}

QString SyncStore::removeLink() {
    if (db_.exec("begin immediate") != SQLITE_OK || db_.exec(kDrop) != SQLITE_OK ||
        db_.exec("commit") != SQLITE_OK) {
        const QString why = failure(QStringLiteral("forget the link"));
        db_.exec("rollback");
        return why;
    }
    return {};
}

QString SyncStore::saveToken(const QString& token, bool paired, bool listedAll) {
    // One transaction: a token stored without its flags cleared would take every card sent
    // since for deleted there.
    if (QString why = begin(); !why.isEmpty())
        return why;
    sqlite::Statement s;
    bool stored = s.prepare(db_, QStringLiteral("update [Rolvane Sync Link] set [Token] = ?, "
                                                "[Paired] = ?")) == SQLITE_OK;
    if (stored) {
        s.bindText(1, token);
        s.bindInt64(2, paired ? 1 : 0);
        stored = s.step() == SQLITE_DONE &&
                 (!listedAll ||
                  db_.exec("update [Rolvane Sync Item] set [Unlisted] = 0 where [Unlisted] != 0") ==
                      SQLITE_OK);
    }
    if (!stored) {
        const QString why = failure(QStringLiteral("store the sync token"));
        rollback();
        return why;
    }
    return commit();
}

QString SyncStore::saveResult(const QString& when, const QString& result) {
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("update [Rolvane Sync Link] set [Last Sync] = ?, "
                                      "[Last Result] = ?")) != SQLITE_OK)
        return failure(QStringLiteral("store the sync's result"));
    s.bindText(1, when);
    s.bindText(2, result);
    return s.step() == SQLITE_DONE ? QString() : failure(QStringLiteral("store the sync's result"));
}

std::vector<Item> SyncStore::items(QString* why) {
    std::vector<Item> out;
    sqlite::Statement s;
    // Sized once: growing by doubling would hold up to three times the records for a moment.
    if (s.prepare(db_, QStringLiteral("select count(*) from [Rolvane Sync Item]")) == SQLITE_OK &&
        s.step() == SQLITE_ROW)
        out.reserve(std::size_t(s.columnInt64(0)));
    if (s.prepare(db_,
                  QStringLiteral("select [Id], [Row], [Href], [Uid], [ETag], null, "
                                 "[Synced], [Unlisted] from [Rolvane Sync Item] order by [Id]")) !=
        SQLITE_OK) {
        *why = failure(QStringLiteral("read the sync's records"));
        return out;
    }
    int rc;
    while ((rc = s.step()) == SQLITE_ROW) {
        Item item;
        item.id = s.columnInt64(0);
        if (sqlite3_column_type(s.get(), 1) != SQLITE_NULL)
            item.row = s.columnInt64(1);
        item.href = s.columnText(2);
        item.uid = s.columnText(3);
        item.etag = QByteArray::fromStdString(blob(s, 4));
        item.cardLoaded = false;
        if (sqlite3_column_type(s.get(), 6) != SQLITE_NULL) {
            Texts t;
            if (decodeTexts(blob(s, 6), t))
                item.synced = std::move(t);
        }
        item.unlisted = s.columnInt64(7) != 0;
        out.push_back(std::move(item));
    }
    if (rc != SQLITE_DONE)
        *why = failure(QStringLiteral("read the sync's records"));
    return out;
}

std::unordered_map<qint64, PackedTexts> SyncStore::rows(QString* why) {
    // Straight into the map: a list first would hold every contact twice for a moment.
    std::unordered_map<qint64, PackedTexts> out;
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("select rowid, %1 from [Rolvane]").arg(columnList())) !=
        SQLITE_OK) {
        *why = failure(QStringLiteral("read the contacts"));
        return out;
    }
    int rc;
    while ((rc = s.step()) == SQLITE_ROW)
        out.emplace(s.columnInt64(0), rowTexts(s, 1));
    if (rc != SQLITE_DONE)
        *why = failure(QStringLiteral("read the contacts"));
    return out;
}

QString SyncStore::begin() {
    return db_.exec("begin immediate") == SQLITE_OK ? QString()
                                                    : failure(QStringLiteral("begin a write"));
}

QString SyncStore::commit() {
    if (db_.exec("commit") == SQLITE_OK)
        return {};
    const QString why = failure(QStringLiteral("store what the sync changed"));
    rollback();
    return why;
}

void SyncStore::rollback() {
    if (!sqlite3_get_autocommit(db_.get()))
        db_.exec("rollback");
}

QString SyncStore::saveItem(Item& item) {
    sqlite::Statement s;
    const QString sql =
        item.id == 0
            ? QStringLiteral("insert into [Rolvane Sync Item] ([Row], [Href], [Uid], [ETag], "
                             "[Card], [Synced], [Unlisted]) values (?1, ?2, ?3, ?4, ?5, ?6, ?8)")
            : QStringLiteral(
                  "update [Rolvane Sync Item] set [Row] = ?1, [Href] = ?2, [Uid] = ?3, "
                  "[ETag] = ?4, [Card] = case when ?9 then ?5 else [Card] end, [Synced] = ?6, "
                  "[Unlisted] = ?8 where [Id] = ?7");
    if (s.prepare(db_, sql) != SQLITE_OK)
        return failure(QStringLiteral("record a contact's sync"));
    if (item.row)
        s.bindInt64(1, *item.row);
    s.bindText(2, item.href);
    s.bindText(3, item.uid);
    bindBlob(s, 4, std::string_view(item.etag.constData(), std::size_t(item.etag.size())));
    bindBlob(s, 5, item.card);
    if (item.synced)
        bindBlob(s, 6, item.synced->packed());
    if (item.id != 0)
        s.bindInt64(7, item.id);
    s.bindInt64(8, item.unlisted ? 1 : 0);
    if (item.id != 0)
        s.bindInt64(9, item.cardLoaded ? 1 : 0);
    if (s.step() != SQLITE_DONE)
        return failure(QStringLiteral("record a contact's sync"));
    if (item.id == 0)
        item.id = sqlite3_last_insert_rowid(db_.get());
    if (!item.card.empty()) {
        std::string().swap(item.card); // stored: loadCard reads it when it is needed again
        item.cardLoaded = false;
    }
    return {};
}

QString SyncStore::loadCard(Item& item) {
    if (item.cardLoaded)
        return {};
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("select [Card] from [Rolvane Sync Item] where [Id] = ?")) !=
        SQLITE_OK)
        return failure(QStringLiteral("read a contact's card"));
    s.bindInt64(1, item.id);
    const int rc = s.step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return failure(QStringLiteral("read a contact's card"));
    item.card = rc == SQLITE_ROW ? blob(s, 0) : std::string();
    item.cardLoaded = true;
    return {};
}

QString SyncStore::deleteItem(qint64 id) {
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("delete from [Rolvane Sync Item] where [Id] = ?")) !=
        SQLITE_OK)
        return failure(QStringLiteral("forget a contact's sync"));
    s.bindInt64(1, id);
    return s.step() == SQLITE_DONE ? QString() : failure(QStringLiteral("forget a contact's sync"));
}

std::optional<Texts> SyncStore::readRow(qint64 row, QString& why) {
    sqlite::Statement s;
    if (s.prepare(db_,
                  QStringLiteral("select %1 from [Rolvane] where rowid = ?").arg(columnList())) !=
        SQLITE_OK) {
        why = failure(QStringLiteral("read a contact"));
        return std::nullopt;
    }
    s.bindInt64(1, row);
    if (s.step() != SQLITE_ROW)
        return std::nullopt;
    return rowTexts(s, 0);
}

QString SyncStore::updateRow(qint64 row, const Texts& expected, const Texts& next, bool& applied) {
    applied = false;
    QString why;
    const std::optional<Texts> now = readRow(row, why);
    if (!now || !sameStored(*now, expected))
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
    if (s.prepare(db_, QStringLiteral("update [Rolvane] set %1 where rowid = ?")
                           .arg(sets.join(QStringLiteral(", ")))) != SQLITE_OK)
        return failure(QStringLiteral("change a contact"));
    int index = 1;
    for (std::size_t i : changed)
        if (next[i].empty())
            ++index; // NULL, as a new contact's empty field
        else
            s.bindText(index++, QString::fromStdString(next[i]));
    s.bindInt64(index, row);
    if (s.step() != SQLITE_DONE) {
        applied = false;
        return failure(QStringLiteral("change a contact"));
    }
    return {};
}

QString SyncStore::deleteRow(qint64 row, const Texts& expected, bool& applied) {
    applied = false;
    QString why;
    const std::optional<Texts> now = readRow(row, why);
    if (!now || !sameStored(*now, expected))
        return why;
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("delete from [Rolvane] where rowid = ?")) != SQLITE_OK)
        return failure(QStringLiteral("delete a contact"));
    s.bindInt64(1, row);
    if (s.step() != SQLITE_DONE)
        return failure(QStringLiteral("delete a contact"));
    applied = true;
    return {};
}

QString SyncStore::insertRow(const Texts& texts, qint64& row) {
    ContactInsert insert;
    if (insert.prepare(db_) != SQLITE_OK)
        return failure(QStringLiteral("add a contact"));
    ContactValues values;
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (!texts[i].empty())
            values[i] = texts[i];
    if (insert.insert(values) != SQLITE_DONE)
        return failure(QStringLiteral("add a contact"));
    row = sqlite3_last_insert_rowid(db_.get());
    return {};
}

} // namespace rolvane::carddav
