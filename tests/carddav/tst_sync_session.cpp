// SPDX-License-Identifier: GPL-3.0-or-later
// One sync of a book as a program runs it (syncBook): the kinds its failures come with, its
// progress, a cancel during a request (from a worker thread with no event loop of its own), and
// a full disk at every step, after which the next sync still converges.
#include "carddav/sync_session.h"
#include "scripted_server.h"
#include "support/faulty_vfs.h"
#include "support/model_server.h"
#include "support/test_book.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <sqlite3.h>

using namespace rolvane::carddav;
using rolvane::test::ModelServer;
using rolvane::test::ScriptedServer;
using rolvane::test::TestBook;

namespace {

const QUrl kBook(QStringLiteral("http://127.0.0.1:5232/u/book/"));

void linkBook(const TestBook& book, const QUrl& url) {
    SyncStore store;
    Link link;
    link.url = url.toString();
    QVERIFY(store.open(book.path()).ok());
    QVERIFY(store.addLink(link).ok());
}

std::string card(int i) {
    return QStringLiteral(
               "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c%1\r\nFN:There %1\r\nN:There %1;;;;\r\n"
               "END:VCARD\r\n")
        .arg(i)
        .toStdString();
}

// A book of `here` contacts and a server of `there` cards, linked, nothing synced yet.
struct Rig {
    TestBook book;
    ModelServer server{7, kBook, {}, {}};
    Rig(int here, int there) {
        for (int i = 0; i < here; ++i)
            book.insert({{"Last Name", QStringLiteral("Here %1").arg(i)}});
        for (int i = 0; i < there; ++i)
            server.deviceAdd(card(i));
        linkBook(book, kBook);
    }
    SyncOutcome sync(SyncSessionOptions options = {}) {
        if (!options.transport)
            options.transport = server.transport();
        return syncBook(book.path(), options);
    }
    // A sync finishes what was left, and then both sides hold the same contacts and a further
    // sync has nothing to do.
    bool recovers() {
        if (const SyncOutcome next = sync(); !next.summary.stop.ok())
            return false;
        const SyncOutcome again = sync();
        const SyncSummary& s = again.summary;
        return s.stop.ok() && s.sent + s.newHere + s.changedHere + s.deletedHere == 0 &&
               int(server.cards().size()) == book.count();
    }
};

} // namespace

class TstSyncSession : public QObject {
    Q_OBJECT
private slots:
    void sqliteKinds_data();
    void sqliteKinds();
    void answerKinds_data();
    void answerKinds();
    void progressReachesTheTotals();
    void cancelDuringARequestFromAWorkerThread();
    void cancelledSyncsConverge();
    void fullDiskAtEveryStep();
};

void TstSyncSession::sqliteKinds_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("kind");
    QTest::newRow("full") << SQLITE_FULL << QByteArray("disk full");
    QTest::newRow("read-only") << SQLITE_READONLY << QByteArray("read-only");
    QTest::newRow("read-only, moved") << SQLITE_READONLY_DBMOVED << QByteArray("read-only");
    QTest::newRow("busy") << SQLITE_BUSY << QByteArray("busy");
    QTest::newRow("busy snapshot") << SQLITE_BUSY_SNAPSHOT << QByteArray("busy");
    QTest::newRow("locked") << SQLITE_LOCKED << QByteArray("busy");
    QTest::newRow("write failed") << SQLITE_IOERR_WRITE << QByteArray("book");
    QTest::newRow("corrupt") << SQLITE_CORRUPT << QByteArray("book");
    QTest::newRow("constraint") << SQLITE_CONSTRAINT_TRIGGER << QByteArray("book");
}

void TstSyncSession::sqliteKinds() {
    QFETCH(int, code);
    QFETCH(QByteArray, kind);
    QCOMPARE(QByteArray(kindName(sqliteKind(code))), kind);
}

void TstSyncSession::answerKinds_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QByteArray>("kind");
    const int none = int(HttpFailure::None);
    QTest::newRow("401") << 401 << none << QByteArray("credentials refused");
    QTest::newRow("403") << 403 << none << QByteArray("access refused");
    QTest::newRow("405") << 405 << none << QByteArray("not CardDAV");
    QTest::newRow("501") << 501 << none << QByteArray("not CardDAV");
    QTest::newRow("503") << 503 << none << QByteArray("server error");
    QTest::newRow("429") << 429 << none << QByteArray("server error");
    QTest::newRow("404") << 404 << none << QByteArray("collection gone");
    QTest::newRow("400") << 400 << none << QByteArray("bad answer");
    QTest::newRow("207, not XML") << 207 << none << QByteArray("bad answer");
    QTest::newRow("dropped") << 0 << int(HttpFailure::Network) << QByteArray("network");
    QTest::newRow("silent") << 0 << int(HttpFailure::Silent) << QByteArray("network");
    QTest::newRow("too large") << 0 << int(HttpFailure::TooLarge) << QByteArray("network");
    QTest::newRow("redirect") << 0 << int(HttpFailure::Redirect) << QByteArray("redirect refused");
}

// Every request of the sync answered alike: the listing fails, and the sync stops with its kind.
void TstSyncSession::answerKinds() {
    QFETCH(int, status);
    QFETCH(int, failure);
    QFETCH(QByteArray, kind);
    Rig rig(1, 0);
    SyncSessionOptions options;
    options.transport = [&](const HttpRequest&) {
        HttpResponse answer;
        answer.status = status;
        answer.failure = HttpFailure(failure);
        answer.error = status ? QString() : QStringLiteral("no answer");
        answer.body = "not XML";
        return answer;
    };
    const SyncOutcome outcome = rig.sync(options);
    QVERIFY(outcome.ran);
    QCOMPARE(QByteArray(kindName(outcome.summary.stop.kind())), kind);
    QVERIFY(!outcome.summary.stop.words().isEmpty());
    QCOMPARE(QByteArray(kindName(answerKind({status, HttpFailure(failure), {}, {}, {}, {}, {}}))),
             kind);
}

void TstSyncSession::progressReachesTheTotals() {
    Rig rig(12, 150); // two batches to fetch
    std::vector<SyncProgress> seen;
    SyncSessionOptions options;
    options.sync.progress = [&](const SyncProgress& p) { seen.push_back(p); };
    const SyncOutcome outcome = rig.sync(options);
    QVERIFY2(outcome.summary.stop.ok(), qPrintable(outcome.summary.stop.words()));
    QCOMPARE(outcome.summary.sent, 12);
    QCOMPARE(outcome.summary.newHere, 150);
    std::map<SyncPhase, int> most;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const SyncProgress& p = seen[i];
        const bool continues = i > 0 && seen[i - 1].phase == p.phase;
        const bool ends = i + 1 == seen.size() || seen[i + 1].phase != p.phase;
        QVERIFY(!continues || p.done >= seen[i - 1].done);
        QVERIFY(p.total == 0 || p.done <= p.total);
        QVERIFY(p.total == 0 || !ends || p.done == p.total);
        most[p.phase] = std::max(most[p.phase], p.done);
    }
    QCOMPARE(most[SyncPhase::Listing], 150);
    QCOMPARE(most[SyncPhase::Fetching], 150);
    QCOMPARE(most[SyncPhase::Sending], 12);
    const auto batch = [&](int done) {
        return std::any_of(seen.begin(), seen.end(), [&](const SyncProgress& p) {
            return p.phase == SyncPhase::Fetching && p.done == done && p.total == 150;
        });
    };
    QVERIFY(batch(100) && batch(150));
}

// The server takes the request and never answers; the silence limit is far off, so only the
// cancel ends the sync, from a thread that runs no event loop of its own.
void TstSyncSession::cancelDuringARequestFromAWorkerThread() {
    ScriptedServer server([](const rolvane::test::SeenRequest&, QTcpSocket&) {});
    TestBook book;
    linkBook(book, server.url(QStringLiteral("/book/")));
    std::atomic<bool> cancel{false};
    SyncOutcome outcome;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        SyncSessionOptions options;
        options.cancel = &cancel;
        outcome = syncBook(book.path(), options);
    }));
    QSignalSpy finished(worker.get(), &QThread::finished);
    worker->start();
    QTRY_VERIFY(!server.seen().isEmpty());
    cancel = true;
    const bool prompt = finished.wait(5000);
    worker->wait(); // were it not prompt, the thread must still end before its objects go
    QVERIFY(prompt);
    QVERIFY(outcome.ran);
    QCOMPARE(kindName(outcome.summary.stop.kind()), "cancelled");
    std::optional<Link> link;
    SyncStore store;
    QVERIFY(store.open(book.path()).ok() && store.link(link).ok() && link);
    QCOMPARE(link->lastResult, outcome.summary.stop.words());
}

// Cancelled at each request in turn of a sync with work both ways: the next sync converges.
void TstSyncSession::cancelledSyncsConverge() {
    int cancelled = 0;
    for (int at = 1;; ++at) {
        Rig rig(6, 5);
        QVERIFY(rig.sync().summary.stop.ok());
        rig.book.exec("update Rolvane set Ph1 = 'edited here' where rowid % 2 = 0");
        rig.book.exec("delete from Rolvane where rowid = 1");
        rig.book.insert({{"Last Name", "New here"}});
        rig.server.deviceAdd(card(40));
        rig.server.deviceDelete(rig.server.cards().begin()->first);
        const int edited = rig.book.count("Ph1 = 'edited here'");
        std::atomic<bool> cancel{false};
        int requests = 0;
        SyncSessionOptions options;
        options.cancel = &cancel;
        options.transport = [&](const HttpRequest& r) {
            cancel = cancel || ++requests == at; // this one still goes, the next does not
            return rig.server.handle(r);
        };
        const SyncOutcome cut = rig.sync(options);
        const QByteArray kind = kindName(cut.summary.stop.kind());
        // Set at the last request, it finds nothing more to stop.
        QVERIFY2(kind == "done" || (kind == "cancelled" && cancel), kind.constData());
        cancelled += kind == "cancelled" ? 1 : 0;
        QVERIFY2(rig.recovers(), qPrintable(QStringLiteral("cancelled at request %1").arg(at)));
        QCOMPARE(rig.book.count("Ph1 = 'edited here'"), edited);
        if (!cancel)
            break; // this sync needed fewer requests: every point was tried
    }
    QVERIFY(cancelled > 5);
}

// Each run of the sync fails at its nth disk access with a full disk, for every n until one
// runs clean: it stops as "disk full" or "book", never as anything else, counts no contact it
// did not store, and the next sync converges.
void TstSyncSession::fullDiskAtEveryStep() {
    rolvane::test::FaultyVfs vfs;
    int full = 0;
    for (int n = 1;; ++n) {
        vfs.failAt(0, SQLITE_FULL);
        Rig rig(4, 3);
        const int before = rig.book.count();
        vfs.failAt(n, SQLITE_FULL);
        const SyncOutcome outcome = rig.sync();
        const bool failed = vfs.failed();
        vfs.failAt(0, SQLITE_FULL);
        const SyncSummary& s = outcome.summary;
        const QByteArray kind = kindName(s.stop.kind());
        const QString where = QStringLiteral("access %1: %2").arg(n).arg(s.stop.words());
        QVERIFY2(kind == "done" || kind == "disk full" || kind == "book", qPrintable(where));
        QVERIFY2(s.stop.ok() || failed, qPrintable(where));
        full += kind == "disk full" ? 1 : 0;
        QCOMPARE(rig.book.count(), before + s.newHere - s.deletedHere);
        QVERIFY2(rig.recovers(), qPrintable(where));
        if (!failed)
            break;
        QVERIFY(n < 2000);
    }
    QVERIFY(full > 0);
}

QTEST_GUILESS_MAIN(TstSyncSession)
#include "tst_sync_session.moc"
