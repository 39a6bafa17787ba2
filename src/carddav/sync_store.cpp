// SPDX-License-Identifier: GPL-3.0-or-later
// Every statement is prepared from constant text; values are always bound.
#include "sync_store.h"

#include "data/address_book_file.h"
#include "data/contact_identity.h"
#include "data/sync_link_state.h"
#include "exchange/card_texts.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace rolvane::carddav {

namespace {

constexpr const char* kSchema =
    "create table if not exists [Rolvane Sync Link] ([Schema] integer not null, [Url] text not "
    "null, [User] text, [Name] text, [Token] text, [Paired] integer not null default 0, "
    "[Version4] integer not null default 0, [Last Sync] text, [Last Result] text, "
    "[Listing] integer not null default 0, [Clean] integer not null default -1, [Conflicts] "
    "text);"
    "create table if not exists [Rolvane Sync Item] ([Id] integer primary key, [Contact] integer, "
    "[Href] text not null unique, [Uid] text, [ETag] blob, [Card] blob, [Synced] blob, "
    "[Listed] blob, [Fetch] integer not null default 0, [Gone] integer not null default 0, "
    "[Sent] integer not null default 0, [Seen] integer not null default 0);"
    "create index if not exists [Rolvane Sync Item by Contact] on [Rolvane Sync Item] "
    "([Contact]);";

// From the first schema, which named contacts by rowid and kept them by triggers of its own.
constexpr const char* kFromSchema1 =
    "alter table [Rolvane Sync Link] add column [Listing] integer not null default 0;"
    "alter table [Rolvane Sync Link] add column [Clean] integer not null default -1;"
    "alter table [Rolvane Sync Item] add column [Contact] integer;"
    "alter table [Rolvane Sync Item] add column [Listed] blob;"
    "alter table [Rolvane Sync Item] add column [Fetch] integer not null default 0;"
    "alter table [Rolvane Sync Item] add column [Gone] integer not null default 0;"
    "alter table [Rolvane Sync Item] add column [Sent] integer not null default 0;"
    "alter table [Rolvane Sync Item] add column [Seen] integer not null default 0;"
    "update [Rolvane Sync Item] set [Contact] = (select [Id] from [Rolvane Contact] where "
    "[Rolvane Contact].[Row] = [Rolvane Sync Item].[Row]), [Sent] = [Unlisted], "
    "[Listed] = [ETag], [Row] = null;"
    "drop index if exists [Rolvane Sync Item by Row];"
    "create index if not exists [Rolvane Sync Item by Contact] on [Rolvane Sync Item] "
    "([Contact]);"
    "drop trigger if exists [Rolvane Sync Delete]; drop trigger if exists [Rolvane Sync Insert];"
    "update [Rolvane Sync Link] set [Schema] = 2;";

constexpr const char* kFromSchema2 = "alter table [Rolvane Sync Link] add column [Conflicts] text;"
                                     "update [Rolvane Sync Link] set [Schema] = 3;";

// Contacts synced before Comments had its separator, as the sync last left them.
constexpr const char* kSyncedContacts =
    "select i.[Id], i.[Contact], i.[Card], i.[Synced] from [Rolvane Sync Item] i where "
    "i.[Contact] is not null and i.[Synced] is not null and length(i.[Card]) > 0";

constexpr const char* kDrop =
    "drop trigger if exists [Rolvane Sync Delete]; drop trigger if exists [Rolvane Sync Insert];"
    "drop table if exists [Rolvane Sync Item]; drop table if exists [Rolvane Sync Link];";

// The version of the tables above, kept in the link's row. 3: the contacts and their texts as
// last synced show the cards in the form with a separator in Comments.
constexpr int kSyncSchema = 3;

std::string blob(const sqlite::Statement& s, int column) {
    const void* data = sqlite3_column_blob(s.get(), column);
    return data ? std::string(static_cast<const char*>(data),
                              std::size_t(sqlite3_column_bytes(s.get(), column)))
                : std::string();
}

void bindBlob(sqlite::Statement& s, int index, std::string_view bytes) {
    sqlite3_bind_blob(s.get(), index, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT);
}

// A writable book in a folder that is not is opened read-only too: the sync writes its log and
// lock beside the book, so the folder is what has to change.
SyncResult readOnly(const QString& bookPath) {
    const QFileInfo book(bookPath);
    if (book.isWritable() && !QFileInfo(book.absolutePath()).isWritable())
        return {SyncKind::ReadOnly,
                QStringLiteral("The folder \"%1\" that holds the address book is read-only; the "
                               "sync needs to write there beside the book.")
                    .arg(book.absolutePath())};
    return {SyncKind::ReadOnly,
            QStringLiteral("The address book \"%1\" is read-only.").arg(bookPath)};
}

} // namespace

SyncResult SyncStore::failure(const QString& doing) const {
    const SyncKind kind = sqliteKind(sqlite3_extended_errcode(db_.get()));
    return {kind == SyncKind::Done ? SyncKind::Book : kind,
            QStringLiteral("Could not %1 in \"%2\": %3.").arg(doing, path_, db_.lastError())};
}

SyncResult SyncStore::open(const QString& bookPath) {
    path_ = bookPath;
    if (const int rc = db_.open(bookPath); rc != SQLITE_OK) {
        const SyncKind kind = sqliteKind(rc);
        return {kind == SyncKind::Done ? SyncKind::Book : kind,
                QStringLiteral("Could not open the address book \"%1\": %2.")
                    .arg(bookPath, QString::fromUtf8(sqlite3_errstr(rc)))};
    }
    if (db_.isReadOnly())
        return readOnly(bookPath);
    // Waits for the window's short writes rather than failing on them.
    sqlite3_busy_timeout(db_.get(), 10'000);
    // The sync reads each page once, in order: a small cache costs it nothing.
    db_.exec("pragma cache_size = -512");
    // A record lost to a power cut is found again: a new card's name and text are stored (and
    // synced) before it is sent, and a card written is listed again. So the records of accepted
    // writes need not each wait for the disk; in the write-ahead log a commit still survives a
    // killed process.
    db_.exec("pragma synchronous = normal");
    if (const QString why = prepareAddressBook(db_); !why.isEmpty()) {
        const SyncKind kind = sqliteKind(sqlite3_extended_errcode(db_.get()));
        return {kind == SyncKind::Done ? SyncKind::Book : kind,
                QStringLiteral("Could not bring the address book \"%1\" up to date: %2.")
                    .arg(bookPath, why)};
    }
    if (!contactIdentityInstalled(db_))
        return {SyncKind::Busy,
                QStringLiteral("The address book \"%1\" is in use and could not be brought up "
                               "to date; try again in a moment.")
                    .arg(bookPath)};
    return upgrade();
}

SyncResult SyncStore::renewIdentities() {
    if (contactIdentitySound(db_))
        return {};
    if (SyncResult why = begin(); !why.ok())
        return why;
    if (installContactIdentity(db_) != SQLITE_OK) {
        SyncResult why = failure(QStringLiteral("renew the contacts' identities"));
        rollback();
        return why;
    }
    return commit();
}

SyncResult SyncStore::upgrade() {
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("select [Schema] from [Rolvane Sync Link]")) != SQLITE_OK)
        return {}; // never linked
    const int rc = s.step();
    if (rc != SQLITE_ROW)
        return rc == SQLITE_DONE ? SyncResult() : failure(QStringLiteral("read the link"));
    const qint64 schema = s.columnInt64(0);
    s.finalize();
    if (schema > kSyncSchema)
        return {SyncKind::TooNew,
                QStringLiteral("The address book \"%1\" was linked by a newer version of "
                               "Rolvane; this one cannot sync it.")
                    .arg(path_)};
    if (schema == kSyncSchema)
        return {};
    if (SyncResult why = begin(); !why.ok())
        return why;
    SyncResult why;
    if (schema < 2 && db_.exec(kFromSchema1) != SQLITE_OK)
        why = failure(QStringLiteral("bring the sync's records up to date"));
    if (why.ok())
        why = renderAnew();
    if (why.ok() && db_.exec(kFromSchema2) != SQLITE_OK)
        why = failure(QStringLiteral("bring the sync's records up to date"));
    if (!why.ok()) {
        rollback();
        return why;
    }
    return commit(true);
}

// A contact still as the sync last left it shows its card in the old form: it and its texts
// as last synced are rendered anew from that card, so the old lines are not read as edits. A
// contact edited since keeps its text; its old lines stay note text.
SyncResult SyncStore::renderAnew() {
    struct Anew {
        qint64 id, contact;
        Texts row, rendered;
        std::string synced;
    };
    std::vector<Anew> anew;
    sqlite::Statement s;
    if (s.prepare(db_, QString::fromLatin1(kSyncedContacts)) != SQLITE_OK)
        return failure(QStringLiteral("read the sync's records"));
    int rc;
    while ((rc = s.step()) == SQLITE_ROW) {
        Texts synced;
        if (!decodeTexts(blob(s, 3), synced))
            continue;
        std::optional<Texts> row;
        if (SyncResult why = readRow(s.columnInt64(1), row); !why.ok())
            return why;
        const std::optional<exchange::CardTexts> shown = exchange::readCardTexts(blob(s, 2));
        if (!row || !shown || !sameFields(*row, synced) || sameFields(shown->texts, synced))
            continue;
        Texts rendered = shown->texts;
        rendered[LastUpdate] = (*row)[LastUpdate];
        synced = shown->texts;
        anew.push_back({s.columnInt64(0), s.columnInt64(1), std::move(*row), std::move(rendered),
                        encodeTexts(synced)});
    }
    if (rc != SQLITE_DONE)
        return failure(QStringLiteral("read the sync's records"));
    s.finalize();
    sqlite::Statement save;
    if (save.prepare(db_, QStringLiteral("update [Rolvane Sync Item] set [Synced] = ? where "
                                         "[Id] = ?")) != SQLITE_OK)
        return failure(QStringLiteral("bring the sync's records up to date"));
    for (const Anew& a : anew) {
        bool applied = false;
        if (SyncResult why = updateRow(a.contact, a.row, a.rendered, applied); !why.ok())
            return why;
        save.reset();
        bindBlob(save, 1, a.synced);
        save.bindInt64(2, a.id);
        if (save.step() != SQLITE_DONE)
            return failure(QStringLiteral("bring the sync's records up to date"));
    }
    return {};
}

SyncResult SyncStore::link(std::optional<Link>& out) {
    out.reset();
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("select count(*) from sqlite_schema where name = "
                                      "'Rolvane Sync Link'")) != SQLITE_OK ||
        s.step() != SQLITE_ROW)
        return failure(QStringLiteral("read the link"));
    if (s.columnInt64(0) == 0)
        return {}; // never linked
    if (s.prepare(db_, QStringLiteral("select [Url], [User], [Name], [Token], [Paired], "
                                      "[Version4], [Last Sync], [Last Result], [Listing], [Clean] "
                                      "from "
                                      "[Rolvane Sync Link]")) != SQLITE_OK)
        return failure(QStringLiteral("read the link"));
    const int rc = s.step();
    if (rc != SQLITE_ROW)
        return rc == SQLITE_DONE ? SyncResult() : failure(QStringLiteral("read the link"));
    Link l;
    l.url = s.columnText(0);
    l.user = s.columnText(1);
    l.name = s.columnText(2);
    l.token = s.columnText(3);
    l.paired = s.columnInt64(4) != 0;
    l.version4 = s.columnInt64(5) != 0;
    l.lastSync = s.columnText(6);
    l.lastResult = s.columnText(7);
    l.listing = s.columnInt64(8);
    l.clean = s.columnInt64(9);
    out = std::move(l);
    return {};
}

SyncResult SyncStore::addLink(const Link& link) {
    if (db_.exec("begin immediate") != SQLITE_OK)
        return failure(QStringLiteral("link the book"));
    SyncResult why;
    if (db_.exec(kSchema) != SQLITE_OK)
        why = failure(QStringLiteral("add the sync's tables"));
    sqlite::Statement count;
    if (why.ok() &&
        (count.prepare(db_, QStringLiteral("select count(*) from [Rolvane Sync Link]")) !=
             SQLITE_OK ||
         count.step() != SQLITE_ROW))
        why = failure(QStringLiteral("read the link"));
    if (why.ok() && count.columnInt64(0) > 0)
        why = {SyncKind::AlreadyLinked,
               QStringLiteral("This book is already linked; \"rolvane-db sync "
                              "remove\" forgets that link.")};
    count.finalize();
    sqlite::Statement add;
    if (why.ok() &&
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
    if (why.ok() && db_.exec("commit") != SQLITE_OK)
        why = failure(QStringLiteral("store the link"));
    if (!why.ok())
        db_.exec("rollback");
    return why;
}

SyncResult SyncStore::removeLink() {
    if (db_.exec("begin immediate") != SQLITE_OK || db_.exec(kDrop) != SQLITE_OK ||
        db_.exec("commit") != SQLITE_OK) {
        SyncResult why = failure(QStringLiteral("forget the link"));
        db_.exec("rollback");
        return why;
    }
    return {};
}

SyncResult SyncStore::saveListing(const Link& link) {
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("update [Rolvane Sync Link] set [Token] = ?, [Paired] = ?, "
                                      "[Listing] = ?, [Clean] = ?")) != SQLITE_OK)
        return failure(QStringLiteral("store the sync token"));
    s.bindText(1, link.token);
    s.bindInt64(2, link.paired ? 1 : 0);
    s.bindInt64(3, link.listing);
    s.bindInt64(4, link.clean);
    return s.step() == SQLITE_DONE ? SyncResult() : failure(QStringLiteral("store the sync token"));
}

SyncResult SyncStore::saveResult(const QString& when, const QString& result) {
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("update [Rolvane Sync Link] set [Last Sync] = ?, "
                                      "[Last Result] = ?")) != SQLITE_OK)
        return failure(QStringLiteral("store the sync's result"));
    s.bindText(1, when);
    s.bindText(2, result);
    return s.step() == SQLITE_DONE ? SyncResult()
                                   : failure(QStringLiteral("store the sync's result"));
}

SyncResult SyncStore::keepConflicts(const std::vector<qint64>& contacts) {
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("select [Conflicts] from [Rolvane Sync Link]")) !=
            SQLITE_OK ||
        s.step() != SQLITE_ROW)
        return failure(QStringLiteral("read the contacts with conflicts"));
    std::vector<qint64> all = contacts;
    for (const QString& id : s.columnText(0).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        all.push_back(id.toLongLong());
    s.finalize();
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    sqlite::Statement holds;
    if (holds.prepare(db_, QStringLiteral("select 1 from [Rolvane] where rowid = (select [Row] "
                                          "from [Rolvane Contact] where [Id] = ?) and "
                                          "instr([Comments], ?)")) != SQLITE_OK)
        return failure(QStringLiteral("read the contacts with conflicts"));
    QStringList kept;
    for (const qint64 id : all) {
        holds.reset();
        holds.bindInt64(1, id);
        holds.bindText(2, QString::fromLatin1(kConflictWords));
        const int rc = holds.step();
        if (rc == SQLITE_ROW)
            kept << QString::number(id);
        else if (rc != SQLITE_DONE)
            return failure(QStringLiteral("read the contacts with conflicts"));
    }
    holds.finalize();
    if (s.prepare(db_, QStringLiteral("update [Rolvane Sync Link] set [Conflicts] = ?")) !=
        SQLITE_OK)
        return failure(QStringLiteral("store the contacts with conflicts"));
    s.bindText(1, kept.join(QLatin1Char(' ')));
    return s.step() == SQLITE_DONE ? SyncResult()
                                   : failure(QStringLiteral("store the contacts with conflicts"));
}

SyncResult SyncStore::items(std::vector<Item>& out) {
    out.clear();
    sqlite::Statement s;
    // Sized once: growing by doubling would hold up to three times the records for a moment.
    if (s.prepare(db_, QStringLiteral("select count(*) from [Rolvane Sync Item]")) == SQLITE_OK &&
        s.step() == SQLITE_ROW)
        out.reserve(std::size_t(s.columnInt64(0)));
    if (s.prepare(db_, QStringLiteral("select [Id], [Contact], [Href], [Uid], [ETag], [Synced], "
                                      "[Listed], [Fetch], [Gone], [Sent], [Seen] from "
                                      "[Rolvane Sync Item] order by [Id]")) != SQLITE_OK)
        return failure(QStringLiteral("read the sync's records"));
    int rc;
    while ((rc = s.step()) == SQLITE_ROW) {
        Item item;
        item.id = s.columnInt64(0);
        if (sqlite3_column_type(s.get(), 1) != SQLITE_NULL)
            item.contact = s.columnInt64(1);
        item.href = s.columnText(2);
        item.uid = s.columnText(3);
        item.etag = QByteArray::fromStdString(blob(s, 4));
        item.cardLoaded = false;
        if (sqlite3_column_type(s.get(), 5) != SQLITE_NULL) {
            Texts t;
            if (decodeTexts(blob(s, 5), t))
                item.synced = std::move(t);
        }
        item.listed = QByteArray::fromStdString(blob(s, 6));
        item.fetch = s.columnInt64(7) != 0;
        item.gone = s.columnInt64(8) != 0;
        item.sent = s.columnInt64(9) != 0;
        item.seen = s.columnInt64(10);
        out.push_back(std::move(item));
    }
    return rc == SQLITE_DONE ? SyncResult() : failure(QStringLiteral("read the sync's records"));
}

SyncResult SyncStore::begin() {
    return db_.exec("begin immediate") == SQLITE_OK ? SyncResult()
                                                    : failure(QStringLiteral("begin a write"));
}

SyncResult SyncStore::commit(bool durable) {
    if (durable)
        db_.exec("pragma synchronous = full");
    // Taken before the pragma below replaces the connection's last error.
    SyncResult why = db_.exec("commit") == SQLITE_OK
                         ? SyncResult()
                         : failure(QStringLiteral("store what the sync changed"));
    if (durable)
        db_.exec("pragma synchronous = normal");
    if (!why.ok())
        rollback();
    return why;
}

void SyncStore::rollback() {
    if (!sqlite3_get_autocommit(db_.get()))
        db_.exec("rollback");
}

SyncResult SyncStore::saveItem(Item& item) {
    sqlite::Statement s;
    const QString sql =
        item.id == 0
            ? QStringLiteral("insert into [Rolvane Sync Item] ([Contact], [Href], [Uid], [ETag], "
                             "[Card], [Synced], [Listed], [Fetch], [Gone], [Sent], [Seen]) values "
                             "(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)")
            : QStringLiteral("update [Rolvane Sync Item] set [Contact] = ?1, [Href] = ?2, "
                             "[Uid] = ?3, [ETag] = ?4, [Card] = case when ?13 then ?5 else "
                             "[Card] end, [Synced] = ?6, [Listed] = ?7, [Fetch] = ?8, [Gone] = ?9, "
                             "[Sent] = ?10, [Seen] = ?11 where [Id] = ?12");
    if (s.prepare(db_, sql) != SQLITE_OK)
        return failure(QStringLiteral("record a contact's sync"));
    if (item.contact)
        s.bindInt64(1, *item.contact);
    s.bindText(2, item.href);
    s.bindText(3, item.uid);
    bindBlob(s, 4, std::string_view(item.etag.constData(), std::size_t(item.etag.size())));
    bindBlob(s, 5, item.card);
    if (item.synced)
        bindBlob(s, 6, item.synced->packed());
    bindBlob(s, 7, std::string_view(item.listed.constData(), std::size_t(item.listed.size())));
    s.bindInt64(8, item.fetch ? 1 : 0);
    s.bindInt64(9, item.gone ? 1 : 0);
    s.bindInt64(10, item.sent ? 1 : 0);
    s.bindInt64(11, item.seen);
    if (item.id != 0) {
        s.bindInt64(12, item.id);
        s.bindInt64(13, item.cardLoaded ? 1 : 0);
    }
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

SyncResult SyncStore::loadCard(Item& item) {
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

SyncResult SyncStore::deleteItem(qint64 id) {
    sqlite::Statement s;
    if (s.prepare(db_, QStringLiteral("delete from [Rolvane Sync Item] where [Id] = ?")) !=
        SQLITE_OK)
        return failure(QStringLiteral("forget a contact's sync"));
    s.bindInt64(1, id);
    return s.step() == SQLITE_DONE ? SyncResult()
                                   : failure(QStringLiteral("forget a contact's sync"));
}

} // namespace rolvane::carddav
