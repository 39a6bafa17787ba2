// SPDX-License-Identifier: GPL-3.0-or-later
// Rules of the sync that one run shows, against the model server: the mass-delete guard counts
// the deletes of every page of a listing together, a sync started with a link read before
// another sync ran takes up the token that one stored, and a sync with nothing changed here
// reads no contact.
#include "carddav/sync_engine.h"
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

QTEST_GUILESS_MAIN(TstSyncRules)
#include "tst_sync_rules.moc"
