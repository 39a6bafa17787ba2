// SPDX-License-Identifier: GPL-3.0-or-later
// Rules of the sync that one run shows, against the model server: the mass-delete guard counts
// the deletes of every page of a listing together, and a sync started with a link read before
// another sync ran takes up the token that one stored.
#include "carddav/card_patch.h"
#include "carddav/sync_engine.h"
#include "support/model_server.h"
#include "support/test_book.h"

#include <QTest>

using namespace rolvane::carddav;
using rolvane::test::ModelFaults;
using rolvane::test::ModelServer;
using rolvane::test::TestBook;

namespace {

const QUrl kBook(QStringLiteral("http://127.0.0.1:5232/u/book/"));

struct Rig {
    explicit Rig(std::uint64_t seed) : server(seed, kBook, {}, {}) {
        [&] { QCOMPARE(store.open(book.path()), QString()); }();
        Link link;
        link.url = kBook.toString();
        [&] { QCOMPARE(store.addLink(link), QString()); }();
    }
    SyncSummary sync(const Link& link, bool allowMassDelete = false) {
        HttpClient client(kBook, {}, {});
        client.setTransport(server.transport());
        SyncOptions options;
        options.allowMassDelete = allowMassDelete;
        return runSync(store, client, link, options);
    }
    SyncSummary sync(bool allowMassDelete = false) { return sync(*store.link(), allowMassDelete); }
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
    QVERIFY(s.stoppedForMassDelete);
    QCOMPARE(rig.book.count(), 12);
    // Still held back by the next sync, whose listing reports nothing new.
    s = rig.sync();
    QVERIFY(s.stoppedForMassDelete);
    QCOMPARE(rig.book.count(), 12);
    s = rig.sync(true);
    QCOMPARE(s.error, QString());
    QCOMPARE(s.deletedHere, 10);
    QCOMPARE(rig.book.count(), 2);
}

void TstSyncRules::staleLinkTakesUpTheStoredToken() {
    Rig rig(11);
    rig.server.deviceAdd(card(1));
    const Link before = *rig.store.link();
    QCOMPARE(rig.sync().newHere, 1);
    const int requests = rig.server.requestCount();
    // Started with the link as read before the other sync: nothing is fetched again.
    const SyncSummary s = rig.sync(before);
    QCOMPARE(s.error, QString());
    QCOMPARE(s.newHere, 0);
    QCOMPARE(rig.server.requestCount() - requests, 1);
    QCOMPARE(rig.book.count(), 1);
}

QTEST_GUILESS_MAIN(TstSyncRules)
#include "tst_sync_rules.moc"
