// SPDX-License-Identifier: GPL-3.0-or-later
// What the sync keeps in the book: a book linked by the first version of the sync is brought up
// to date when opened, a newer one is refused, and a failing disk is never read as "not linked".
#include "carddav/sync_store.h"
#include "support/test_book.h"

#include <QTest>

using rolvane::carddav::Link;
using rolvane::carddav::SyncStore;
using rolvane::test::TestBook;

namespace {

// The sync's tables as the first version made them, which named contacts by rowid.
const char* const kFirstSchema =
    "create table [Rolvane Sync Link] ([Schema] integer not null, [Url] text not null, [User] "
    "text, [Name] text, [Token] text, [Paired] integer not null default 0, [Version4] integer not "
    "null default 0, [Last Sync] text, [Last Result] text);"
    "create table [Rolvane Sync Item] ([Id] integer primary key, [Row] integer, [Href] text not "
    "null unique, [Uid] text, [ETag] blob, [Card] blob, [Synced] blob, [Unlisted] integer not null "
    "default 0);"
    "create trigger [Rolvane Sync Delete] after delete on [Rolvane] begin update [Rolvane Sync "
    "Item] set [Row] = null where [Row] = old.rowid; end;"
    "insert into [Rolvane Sync Link] ([Schema], [Url], [Token], [Paired]) values "
    "(1, 'https://dav.example/book/', 'tok-7', 1);"
    "insert into [Rolvane Sync Item] ([Row], [Href], [ETag], [Unlisted]) values "
    "(2, '/book/b.vcf', '\"e2\"', 1), (null, '/book/gone.vcf', '\"e9\"', 0);";

} // namespace

class TstSyncStore : public QObject {
    Q_OBJECT
private slots:
    void firstSchemaIsBroughtUpToDate();
    void newerSchemaIsRefused();
    void failingDiskIsNotUnlinked();
};

void TstSyncStore::firstSchemaIsBroughtUpToDate() {
    TestBook book;
    book.insertLastNames({"Aalto", "Berg"});
    // Made by the program before identities: no identity table yet, user_version 1.
    book.exec("drop trigger [Rolvane Contact Insert]; drop trigger [Rolvane Contact Delete]; "
              "drop trigger [Rolvane Contact Move]; drop trigger [Rolvane Contact Edit]; "
              "drop table [Rolvane Contact]; drop table [Rolvane Changes]; "
              "pragma user_version = 1");
    book.exec(kFirstSchema);
    SyncStore store;
    QVERIFY(store.open(book.path()).ok());
    std::optional<Link> link;
    QVERIFY(store.link(link).ok() && link);
    QCOMPARE(link->token, QStringLiteral("tok-7"));
    QVERIFY(link->paired);
    std::vector<rolvane::carddav::Item> items;
    QVERIFY(store.items(items).ok());
    QCOMPARE(items.size(), std::size_t(2));
    // The record of Berg (rowid 2) now names Berg's identity, and a card sent since the token
    // still waits to be named by the next listing.
    QCOMPARE(items[0].contact.value_or(-1),
             book.value("select Id from [Rolvane Contact] where Row = 2").toLongLong());
    QVERIFY(items[0].sent);
    QCOMPARE(items[0].listed, QByteArray("\"e2\""));
    QVERIFY(!items[1].contact);
    QCOMPARE(book.value("select [Schema] from [Rolvane Sync Link]"), QStringLiteral("3"));
    QCOMPARE(book.value("select count(*) from sqlite_schema where name like 'Rolvane Sync %' and "
                        "type = 'trigger'"),
             QStringLiteral("0"));
}

void TstSyncStore::newerSchemaIsRefused() {
    TestBook book;
    SyncStore store;
    QVERIFY(store.open(book.path()).ok());
    Link link;
    link.url = QStringLiteral("https://dav.example/book/");
    QVERIFY(store.addLink(link).ok());
    book.exec("update [Rolvane Sync Link] set [Schema] = 99");
    SyncStore later;
    const rolvane::carddav::SyncResult refused = later.open(book.path());
    QCOMPARE(kindName(refused.kind()), "too new");
    QVERIFY(refused.words().contains("newer version"));
}

void TstSyncStore::failingDiskIsNotUnlinked() {
    TestBook book;
    SyncStore store;
    QVERIFY(store.open(book.path()).ok());
    std::optional<Link> link;
    QVERIFY(store.link(link).ok() && !link); // not linked, and nothing failed
    Link made;
    made.url = QStringLiteral("https://dav.example/book/");
    QVERIFY(store.addLink(made).ok());
    // The link's table is there but cannot be read, as on a disk that fails: that is told, and
    // never taken for a book that is not linked.
    book.exec("alter table [Rolvane Sync Link] drop column [Listing]");
    const rolvane::carddav::SyncResult why = store.link(link);
    QCOMPARE(kindName(why.kind()), "book");
    QVERIFY(!link);
    QVERIFY2(why.words().contains("Could not read the link"), qPrintable(why.words()));
}

QTEST_GUILESS_MAIN(TstSyncStore)
#include "tst_sync_store.moc"
