// SPDX-License-Identifier: GPL-3.0-or-later
// Rules of the sync that one run shows, against the model server: the mass-delete guard counts
// the deletes of every page of a listing together, a sync started with a link read before
// another sync ran takes up the token that one stored, and a sync with nothing changed here
// reads no contact.
#include "carddav/sync_engine.h"
#include "data/sync_link_state.h"
#include "exchange/card_patch.h"
#include "support/model_server.h"
#include "support/test_book.h"

#include <QTest>

using namespace rolvane::carddav;
using namespace rolvane::exchange;
using rolvane::test::ModelFaults;
using rolvane::test::ModelServer;
using rolvane::test::TestBook;

namespace {

const QUrl kBook(QStringLiteral("http://127.0.0.1:5232/u/book/"));

struct Rig {
    explicit Rig(std::uint64_t seed) : server(seed, kBook, {}, {}) {
        [&] { QVERIFY(store.open(book.path()).ok()); }();
        Link link;
        link.url = kBook.toString();
        [&] { QVERIFY(store.addLink(link).ok()); }();
    }
    SyncSummary sync(const Link& link, bool allowMassDelete = false) {
        HttpClient client(kBook, {}, {});
        client.setTransport(server.transport());
        SyncOptions options;
        options.allowMassDelete = allowMassDelete;
        return runSync(store, client, link, options);
    }
    SyncSummary sync(bool allowMassDelete = false) { return sync(link(), allowMassDelete); }
    Link link() {
        std::optional<Link> out;
        [&] { QVERIFY(store.link(out).ok() && out); }();
        return out.value_or(Link());
    }
    TestBook book;
    SyncStore store;
    ModelServer server;
};

std::string card(int i) {
    Texts t;
    t[Last] = "Card " + std::to_string(i);
    return newCard(t, "u" + std::to_string(i), false, "20260101T000000Z");
}

} // namespace

class TstSyncRules : public QObject {
    Q_OBJECT
private slots:
    void guardCountsEveryPage_data();
    void guardCountsEveryPage();
    void staleLinkTakesUpTheStoredToken();
    void nothingChangedReadsNoContacts();
    void mergesAndResendsKeepTheCard();
    void oldFormBookUpgradesWithoutAChange();
    void conflictsAreRecordedUntilResolved();
    void refusedLineIsToldOnce();
};

void TstSyncRules::guardCountsEveryPage_data() {
    QTest::addColumn<double>("truncate");
    QTest::newRow("one page") << 0.0;
    QTest::newRow("a card a page") << 1.0;
}

void TstSyncRules::guardCountsEveryPage() {
    QFETCH(double, truncate);
    Rig rig(7);
    std::vector<QString> hrefs;
    for (int i = 0; i < 12; ++i)
        hrefs.push_back(rig.server.deviceAdd(card(i)));
    QCOMPARE(rig.sync().newHere, 12);
    for (int i = 0; i < 10; ++i)
        rig.server.deviceDelete(hrefs[std::size_t(i)]);
    ModelFaults paged;
    paged.truncate = truncate;
    rig.server.setFaults(paged);
    SyncSummary s = rig.sync();
    QCOMPARE(s.stop.kind(), SyncKind::MassDelete);
    QCOMPARE(rig.book.count(), 12);
    // Still held back by the next sync, whose listing reports nothing new.
    s = rig.sync();
    QCOMPARE(s.stop.kind(), SyncKind::MassDelete);
    QCOMPARE(rig.book.count(), 12);
    s = rig.sync(true);
    QVERIFY2(s.stop.ok(), qPrintable(s.stop.words()));
    QCOMPARE(s.deletedHere, 10);
    QCOMPARE(rig.book.count(), 2);
}

void TstSyncRules::staleLinkTakesUpTheStoredToken() {
    Rig rig(11);
    rig.server.deviceAdd(card(1));
    const Link before = rig.link();
    QCOMPARE(rig.sync().newHere, 1);
    const int requests = rig.server.requestCount();
    // Started with the link as read before the other sync: nothing is fetched again.
    const SyncSummary s = rig.sync(before);
    QVERIFY2(s.stop.ok(), qPrintable(s.stop.words()));
    QCOMPARE(s.newHere, 0);
    QCOMPARE(rig.server.requestCount() - requests, 1);
    QCOMPARE(rig.book.count(), 1);
}

void TstSyncRules::nothingChangedReadsNoContacts() {
    Rig rig(5);
    std::vector<QString> hrefs;
    for (int i = 0; i < 3; ++i)
        hrefs.push_back(rig.server.deviceAdd(card(i)));
    QCOMPARE(rig.sync().newHere, 3);
    // Each row: what changes before the sync, whether the contacts are read, what it does.
    struct Step {
        const char* change;
        bool reads;
        int sent, changedHere;
    };
    const Step steps[] = {
        {"", false, 0, 0},
        {"update Rolvane set Ph1 = '555' where rowid = 1", true, 1, 0},
        {"", false, 0, 0},
        {"server", true, 0, 1},
        {"", false, 0, 0},
        {"update Rolvane set Ph1 = Ph1 where rowid = 2", true, 0, 0}, // written, not changed
        {"", false, 0, 0},
    };
    for (const Step& step : steps) {
        const QString change = QString::fromLatin1(step.change);
        if (change == QLatin1String("server"))
            rig.server.deviceEdit(hrefs[1], card(7));
        else if (!change.isEmpty())
            rig.book.exec(change);
        const int before = rig.store.rowReadings();
        const SyncSummary s = rig.sync();
        QVERIFY2(s.stop.ok(), qPrintable(s.stop.words()));
        QCOMPARE(rig.store.rowReadings() > before, step.reads);
        QCOMPARE(s.sent, step.sent);
        QCOMPARE(s.changedHere, step.changedHere);
    }
}

// A note edited here and a company changed there are two changes; a contact then deleted there
// but edited here goes back as the server's last card, photo and all, with the edit.
void TstSyncRules::mergesAndResendsKeepTheCard() {
    Rig rig(3);
    const std::string rich = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:r1\r\nN:Lee;Ann;;;\r\n"
                             "FN:Ann Lee\r\nORG:Acme\r\nCATEGORIES:Family,Friends\r\n"
                             "X-SOCIALPROFILE;TYPE=twitter:ann\r\nPHOTO;ENCODING=b;TYPE=JPEG:"
                             "/9j/4AAQ\r\nNOTE:old\r\nEND:VCARD\r\n";
    const QString href = rig.server.deviceAdd(rich);
    QCOMPARE(rig.sync().newHere, 1);
    rig.book.exec(QStringLiteral("update Rolvane set Comments = replace(Comments, 'old', 'new')"));
    std::string there = rich;
    there.replace(there.find("ORG:Acme"), 8, "ORG:Beta");
    QVERIFY(rig.server.deviceEdit(href, there));
    SyncSummary s = rig.sync();
    QVERIFY2(s.stop.ok(), qPrintable(s.stop.words()));
    QCOMPARE(s.conflicts, 0);
    std::string card = rig.server.cards().at(href);
    QVERIFY2(card.find("NOTE:new\r\n") != std::string::npos, card.c_str());
    QVERIFY2(card.find("ORG:Beta\r\n") != std::string::npos, card.c_str());

    rig.book.exec(QStringLiteral("update Rolvane set Ph1 = '555 0101'"));
    QVERIFY(rig.server.deviceDelete(href));
    s = rig.sync();
    QVERIFY2(s.stop.ok(), qPrintable(s.stop.words()));
    const auto cards = rig.server.cards();
    QCOMPARE(cards.size(), std::size_t(1));
    card = cards.begin()->second;
    for (const char* kept :
         {"PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQ", "CATEGORIES:Family,Friends",
          "X-SOCIALPROFILE;TYPE=twitter:ann", "ORG:Beta", "NOTE:new", "555 0101"})
        QVERIFY2(card.find(kept) != std::string::npos, (kept + ("\n" + card)).c_str());
    QVERIFY2(card.find("UID:r1\r\n") == std::string::npos, card.c_str()); // a new contact there
}

void TstSyncRules::oldFormBookUpgradesWithoutAChange() {
    Rig rig(13);
    const auto add = [&](const char* uid, const char* lines) {
        return rig.server.deviceAdd(std::string("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:") + uid +
                                    "\r\n" + lines + "END:VCARD\r\n");
    };
    const QString ada = add("a1", "N:Okafor;Ada;;;\r\nFN:Ada Okafor\r\nTITLE:Chief Accountant\r\n"
                                  "item2.ADR:;;1 Elm St;Springfield;IL;62701;USA\r\n"
                                  "item2.X-ABADR:us\r\nNOTE:Likes tea\r\n");
    const QString acme = add("b1", "N:;;;;\r\nFN:Acme Plumbing Ltd\r\nORG:Acme Plumbing Ltd\r\n");
    const QString bo = add("c1", "N:Ferro;Bo;;;\r\nFN:Bo Ferro\r\nNICKNAME:Bo\r\n");
    QCOMPARE(rig.sync().newHere, 3);
    const QString adaComments =
        rig.book.value("select Comments from Rolvane where [Last Name] = 'Okafor'");
    QVERIFY2(adaComments.startsWith(QStringLiteral("Likes tea\n")), qPrintable(adaComments));

    // The form the sync wrote before the separator, in the contacts and their synced texts.
    rig.book.exec(
        "update Rolvane set Comments = 'Likes tea' || char(10) || 'Title: Chief "
        "Accountant' || char(10) || 'Other: us' where [Last Name] = 'Okafor';"
        "update Rolvane set [First Name] = 'Acme Plumbing', [Last Name] = 'Ltd', Comments = null "
        "where [Last Name] like 'Acme%';"
        "update Rolvane set Comments = 'Nickname: Bo' where [Last Name] = 'Ferro'");
    std::vector<Item> items;
    std::unordered_map<qint64, PackedTexts> rows;
    QVERIFY(rig.store.items(items).ok() && rig.store.rows(rows).ok());
    for (Item& item : items) {
        item.synced = rows.at(*item.contact);
        QVERIFY(rig.store.saveItem(item).ok());
    }
    rig.book.exec("update Rolvane set Ph1 = '555 0199' where [Last Name] = 'Ferro';"
                  "update [Rolvane Sync Link] set [Schema] = 2;"
                  "alter table [Rolvane Sync Link] drop column [Conflicts]");
    const auto before = rig.server.cards();

    rig.store = SyncStore();
    const SyncResult opened = rig.store.open(rig.book.path());
    QVERIFY2(opened.ok(), qPrintable(opened.words()));
    QCOMPARE(rig.book.value("select Comments from Rolvane where [Last Name] = 'Okafor'"),
             adaComments);
    QCOMPARE(
        rig.book.value(
            "select coalesce([First Name], '') || '|' || [Last Name] from Rolvane where Comments "
            "like '%Company: yes%'"),
        QStringLiteral("|Acme Plumbing Ltd"));
    // Edited since: its old line stays note text.
    QCOMPARE(rig.book.value("select Comments from Rolvane where [Last Name] = 'Ferro'"),
             QStringLiteral("Nickname: Bo"));

    const SyncSummary s = rig.sync();
    QVERIFY2(s.stop.ok(), qPrintable(s.stop.words()));
    QCOMPARE(s.conflicts, 0);
    const auto after = rig.server.cards();
    QCOMPARE(after.at(ada), before.at(ada));
    QCOMPARE(after.at(acme), before.at(acme));
    // Only the number typed here goes out; the old line is not written into the note.
    const std::string card = after.at(bo);
    QVERIFY2(card.find("555 0199") != std::string::npos &&
                 card.find("NICKNAME:Bo") != std::string::npos &&
                 card.find("NOTE") == std::string::npos,
             card.c_str());
}

// The record Status reads: a contact with a conflict line stays in it until the line is gone.
void TstSyncRules::conflictsAreRecordedUntilResolved() {
    Rig rig(17);
    const std::string ann = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:k1\r\nN:Lee;Ann;;;\r\n"
                            "FN:Ann Lee\r\nTEL:555 0100\r\nEND:VCARD\r\n";
    const QString href = rig.server.deviceAdd(ann);
    rig.server.deviceAdd(card(2));
    QCOMPARE(rig.sync().newHere, 2);
    rig.book.exec("update Rolvane set Ph1 = '555 0111' where [Last Name] = 'Lee'");
    std::string there = ann;
    there.replace(there.find("555 0100"), 8, "555 0122");
    QVERIFY(rig.server.deviceEdit(href, there));
    const auto syncAndKeep = [&] {
        const SyncSummary s = rig.sync();
        return rig.store.keepConflicts(s.conflictedContacts).ok()
                   ? rolvane::readSyncLink(rig.book.path()).conflicted
                   : QStringList{"not kept"};
    };
    QCOMPARE(syncAndKeep(), QStringList{"Ann Lee"});
    QCOMPARE(syncAndKeep(), QStringList{"Ann Lee"}); // kept while the line is there
    rig.book.exec("update Rolvane set Comments = null where [Last Name] = 'Lee'");
    QCOMPARE(syncAndKeep(), QStringList());
}

// A labelled line whose value its property cannot take goes out in the note, and is told when
// it is sent, not at every sync after.
void TstSyncRules::refusedLineIsToldOnce() {
    Rig rig(19);
    rig.book.insert({{"Last Name", "Lee"},
                     {"Comments", "n\n--- other fields ---\nBirthday: next week\nTitle: CFO"}});
    SyncSummary s = rig.sync();
    QCOMPARE(s.sent, 1);
    QCOMPARE(s.warnings.filter("\"Birthday: next week\" is not a value").size(), 1);
    const std::string card = rig.server.cards().begin()->second;
    QVERIFY2(card.find("BDAY") == std::string::npos && card.find("TITLE:CFO") != std::string::npos,
             card.c_str());
    rig.book.exec("update Rolvane set Ph1 = '555'");
    s = rig.sync();
    QCOMPARE(s.sent, 1);
    QVERIFY(s.warnings.isEmpty());
}

QTEST_GUILESS_MAIN(TstSyncRules)
#include "tst_sync_rules.moc"
