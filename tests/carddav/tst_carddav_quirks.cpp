// The client against a scripted server: redirects, answers too large, too slow or hostile, and
// the listing's odd answers (a token answered with 500, a truncated listing).
#include "carddav/http_client.h"
#include "carddav/listing.h"
#include "scripted_server.h"

#include <QTest>

using namespace rolvane::carddav;
using rolvane::test::ScriptedServer;
using rolvane::test::SeenRequest;

namespace {

const QByteArray kPropfind = "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/></d:prop>"
                             "</d:propfind>";

const QByteArray kListing = "<multistatus xmlns=\"DAV:\"><response><href>/book/a.vcf</href>"
                            "<propstat><prop><getetag>\"1\"</getetag></prop><status>HTTP/1.1 200 "
                            "OK</status></propstat></response><sync-token>t2</sync-token>"
                            "</multistatus>";

HttpLimits quick() {
    HttpLimits limits;
    limits.maxBytes = 1 << 20;
    limits.silenceMs = 300;
    limits.deadlineMs = 5000;
    return limits;
}

} // namespace

class TstCarddavQuirks : public QObject {
    Q_OBJECT
private slots:
    void redirectsKeepMethodAndBody_data();
    void redirectsKeepMethodAndBody();
    void redirectsThatAreRefused_data();
    void redirectsThatAreRefused();
    void answersThatAreStopped_data();
    void answersThatAreStopped();
    void listingQuirks_data();
    void listingQuirks();
};

void TstCarddavQuirks::redirectsKeepMethodAndBody_data() {
    QTest::addColumn<int>("status");
    for (int s : {301, 302, 307, 308})
        QTest::addRow("%d", s) << s;
}

void TstCarddavQuirks::redirectsKeepMethodAndBody() {
    QFETCH(int, status);
    ScriptedServer server([status](const SeenRequest& r, QTcpSocket& s) {
        s.write(r.path == "/.well-known/carddav"
                    ? ScriptedServer::answer(status, {}, "Location: /dav/\r\n")
                    : ScriptedServer::answer(207, "<multistatus xmlns=\"DAV:\"/>"));
    });
    HttpClient client(server.url(), QStringLiteral("ann"), QStringLiteral("pw"), quick());
    const HttpResponse r =
        client.send({"PROPFIND", server.url("/.well-known/carddav"), kPropfind, {}});
    QCOMPARE(r.status, 207);
    QCOMPARE(r.url, server.url("/dav/"));
    QCOMPARE(server.seen().size(), 2);
    QCOMPARE(server.seen()[1].method, QByteArray("PROPFIND"));
    QCOMPARE(server.seen()[1].body, kPropfind);
    QVERIFY(server.seen()[1].head.contains("Authorization: Basic"));
}

void TstCarddavQuirks::redirectsThatAreRefused_data() {
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<QString>("why");
    QTest::newRow("another host") << QByteArray("http://localhost:%1/dav/") << "another host";
    QTest::newRow("endless") << QByteArray("/loop") << "more than 5";
    QTest::newRow("no address") << QByteArray() << "without a valid address";
}

void TstCarddavQuirks::redirectsThatAreRefused() {
    QFETCH(QByteArray, location);
    QFETCH(QString, why);
    quint16 port = 0;
    ScriptedServer server([&](const SeenRequest&, QTcpSocket& s) {
        const QByteArray to = QByteArray(location).replace("%1", QByteArray::number(port));
        s.write(ScriptedServer::answer(301, {},
                                       to.isEmpty() ? QByteArray() : "Location: " + to + "\r\n"));
    });
    port = server.port();
    HttpClient client(server.url(), QStringLiteral("ann"), QStringLiteral("pw"), quick());
    const HttpResponse r = client.send({"PROPFIND", server.url("/start"), kPropfind, {}});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.error.contains(why), qPrintable(r.error));
    QVERIFY(server.seen().size() <= 6);
    for (const SeenRequest& seen : server.seen())
        QVERIFY(!seen.head.contains("Host: localhost"));
}

void TstCarddavQuirks::answersThatAreStopped_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("why");
    QTest::newRow("declared 100 MB") << 0 << "larger";
    QTest::newRow("endless, undeclared") << 1 << "larger";
    QTest::newRow("a byte at a time") << 2 << "stopped answering";
    QTest::newRow("never answers") << 3 << "stopped answering";
}

void TstCarddavQuirks::answersThatAreStopped() {
    QFETCH(int, kind);
    QFETCH(QString, why);
    QTimer trickle;
    ScriptedServer server([&](const SeenRequest&, QTcpSocket& s) {
        if (kind == 0) {
            s.write("HTTP/1.1 207 X\r\nContent-Length: 104857600\r\n\r\n<multistatus");
        } else if (kind == 1) {
            s.write("HTTP/1.1 207 X\r\nConnection: close\r\n\r\n");
            QObject::connect(&s, &QTcpSocket::bytesWritten, &s, [&s] {
                if (s.state() == QAbstractSocket::ConnectedState && s.bytesToWrite() < 65536)
                    s.write(QByteArray(65536, 'x'));
            });
            s.write(QByteArray(65536, 'x'));
        } else if (kind == 2) {
            s.write("HTTP/1.1 207 X\r\nContent-Length: 1000\r\n\r\n");
            QObject::connect(&trickle, &QTimer::timeout, &s, [&s] { s.write("x"); });
            trickle.start(1000);
        }
    });
    HttpClient client(server.url(), {}, {}, quick());
    const HttpResponse r = client.send({"REPORT", server.url("/book/"), kPropfind, {}});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.error.contains(why), qPrintable(r.error));
    QVERIFY(r.body.isEmpty());
}

void TstCarddavQuirks::listingQuirks_data() {
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("members");
    QTest::addColumn<bool>("truncated");
    const auto ok = int(ListingResult::Ok);
    const auto rejected = int(ListingResult::TokenRejected);
    const auto failed = int(ListingResult::Failed);
    QTest::newRow("incremental") << QByteArray("t1") << 207 << kListing << ok << 1 << false;
    QTest::newRow("500 on a token")
        << QByteArray("t1") << 500 << QByteArray("Traceback") << rejected << 0 << false;
    QTest::newRow("valid-sync-token")
        << QByteArray("t1") << 403
        << QByteArray("<error xmlns=\"DAV:\"><valid-sync-token/></error>") << rejected << 0
        << false;
    QTest::newRow("gone") << QByteArray("t1") << 404 << QByteArray()
                          << int(ListingResult::CollectionGone) << 0 << false;
    QByteArray truncated = kListing;
    truncated.replace("<sync-token>", "<response><href>/book/</href><status>HTTP/1.1 507 "
                                      "Insufficient Storage</status></response><sync-token>");
    QTest::newRow("507 truncated") << QByteArray() << 207 << truncated << ok << 1 << true;
    QTest::newRow("xml bomb")
        << QByteArray() << 207
        << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                      "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><multistatus xmlns=\"DAV:\">&b;"
                      "</multistatus>")
        << failed << 0 << false;
}

void TstCarddavQuirks::listingQuirks() {
    QFETCH(QByteArray, token);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, result);
    QFETCH(int, members);
    QFETCH(bool, truncated);
    ScriptedServer server(
        [&](const SeenRequest&, QTcpSocket& s) { s.write(ScriptedServer::answer(status, body)); });
    HttpClient client(server.url(), {}, {}, quick());
    Listing listing;
    QString why;
    QCOMPARE(int(listMembers(client, server.url("/book/"), QString::fromUtf8(token), listing, why)),
             result);
    QCOMPARE(int(listing.members.size()), members);
    QCOMPARE(listing.truncated, truncated);
    QCOMPARE(server.seen().front().method, QByteArray("REPORT"));
    QVERIFY(server.seen().front().body.contains("<d:sync-token>" + token + "</d:sync-token>"));
}

QTEST_GUILESS_MAIN(TstCarddavQuirks)
#include "tst_carddav_quirks.moc"
