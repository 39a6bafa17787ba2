// SPDX-License-Identifier: GPL-3.0-or-later
// The client against a scripted server: redirects (to other hosts: tst_carddav_redirects), answers
// too large, too slow or hostile, and the listing's odd answers (a token answered with 500, a
// truncated listing).
#include "carddav/http_client.h"
#include "carddav/listing.h"
#include "carddav/sync_engine.h"
#include "scripted_server.h"
#include "support/test_book.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace rolvane::carddav;
using rolvane::test::kPropfindETags;
using rolvane::test::quickLimits;
using rolvane::test::ScriptedServer;
using rolvane::test::SeenRequest;

namespace {

const QByteArray kListing = "<multistatus xmlns=\"DAV:\"><response><href>/book/a.vcf</href>"
                            "<propstat><prop><getetag>\"1\"</getetag></prop><status>HTTP/1.1 200 "
                            "OK</status></propstat></response><sync-token>t2</sync-token>"
                            "</multistatus>";

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
    void weakETagsNeverOverwriteUnseen();
    void selfSignedOnlyByItsFingerprint();
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
    HttpClient client(server.url(), QStringLiteral("ann"), QStringLiteral("pw"), quickLimits());
    const HttpResponse r =
        client.send({"PROPFIND", server.url("/.well-known/carddav"), kPropfindETags, {}});
    QCOMPARE(r.status, 207);
    QCOMPARE(r.url, server.url("/dav/"));
    QCOMPARE(server.seen().size(), 2);
    QCOMPARE(server.seen()[1].method, QByteArray("PROPFIND"));
    QCOMPARE(server.seen()[1].body, kPropfindETags);
    QVERIFY(server.seen()[1].head.contains("Authorization: Basic"));
}

void TstCarddavQuirks::redirectsThatAreRefused_data() {
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<QString>("why");
    QTest::newRow("endless") << QByteArray("/loop") << "more than 5";
    QTest::newRow("no address") << QByteArray() << "without a valid address";
}

void TstCarddavQuirks::redirectsThatAreRefused() {
    QFETCH(QByteArray, location);
    QFETCH(QString, why);
    ScriptedServer server([&](const SeenRequest&, QTcpSocket& s) {
        s.write(ScriptedServer::answer(
            301, {}, location.isEmpty() ? QByteArray() : "Location: " + location + "\r\n"));
    });
    HttpClient client(server.url(), QStringLiteral("ann"), QStringLiteral("pw"), quickLimits());
    const HttpResponse r = client.send({"PROPFIND", server.url("/start"), kPropfindETags, {}});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.error.contains(why), qPrintable(r.error));
    QVERIFY(server.seen().size() <= 6);
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
    HttpClient client(server.url(), {}, {}, quickLimits());
    const HttpResponse r = client.send({"REPORT", server.url("/book/"), kPropfindETags, {}});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.error.contains(why), qPrintable(r.error));
    QVERIFY(r.body.isEmpty());
}

void TstCarddavQuirks::listingQuirks_data() {
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("result"); // the kind, or "token rejected"
    QTest::addColumn<int>("members");
    QTest::addColumn<bool>("truncated");
    const QByteArray ok = "done", rejected = "token rejected", failed = "bad answer";
    QTest::newRow("incremental") << QByteArray("t1") << 207 << kListing << ok << 1 << false;
    QTest::newRow("500 on a token")
        << QByteArray("t1") << 500 << QByteArray("Traceback") << rejected << 0 << false;
    QTest::newRow("valid-sync-token")
        << QByteArray("t1") << 403
        << QByteArray("<error xmlns=\"DAV:\"><valid-sync-token/></error>") << rejected << 0
        << false;
    QTest::newRow("gone") << QByteArray("t1") << 404 << QByteArray()
                          << QByteArray("collection gone") << 0 << false;
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
    QFETCH(QByteArray, result);
    QFETCH(int, members);
    QFETCH(bool, truncated);
    ScriptedServer server(
        [&](const SeenRequest&, QTcpSocket& s) { s.write(ScriptedServer::answer(status, body)); });
    HttpClient client(server.url(), {}, {}, quickLimits());
    Listing listing;
    const SyncResult r =
        listMembers(client, server.url("/book/"), QString::fromUtf8(token), listing);
    QCOMPARE(QByteArray(r.ok() && listing.tokenRejected ? "token rejected" : kindName(r.kind())),
             result);
    QCOMPARE(int(listing.members.size()), members);
    QCOMPARE(listing.truncated, truncated);
    QCOMPARE(server.seen().front().method, QByteArray("REPORT"));
    QVERIFY(server.seen().front().body.contains("<d:sync-token>" + token + "</d:sync-token>"));
}

namespace {

// An address book that gives weak ETags only and answers a PUT with none, as servers that
// rewrite cards do. Cards by href; every change makes a new tag and a new sync-token.
struct WeakServer {
    QMap<QByteArray, QByteArray> cards;
    QMap<QByteArray, QByteArray> tags;
    int version = 0;

    void put(const QByteArray& href, const QByteArray& card) {
        cards[href] = card;
        tags[href] = "W/\"" + QByteArray::number(++version) + "\"";
    }
    QByteArray response(const QByteArray& href, bool withData) const {
        QByteArray data = withData ? "<c:address-data>" +
                                         QString::fromUtf8(cards[href]).toHtmlEscaped().toUtf8() +
                                         "</c:address-data>"
                                   : QByteArray();
        return "<response><href>" + href + "</href><propstat><prop><getetag>" +
               QString::fromUtf8(tags[href]).toHtmlEscaped().toUtf8() + "</getetag>" + data +
               "</prop><status>HTTP/1.1 200 OK</status></propstat></response>";
    }
    QByteArray answer(const SeenRequest& r) {
        if (r.method == "GET")
            return cards.contains(r.path) ? ScriptedServer::answer(200, cards[r.path],
                                                                   "ETag: " + tags[r.path] + "\r\n")
                                          : ScriptedServer::answer(404, {});
        if (r.method == "PUT") {
            if (r.head.contains("If-Match"))
                return ScriptedServer::answer(412, {}); // a weak tag never matches
            put(r.path, r.body);
            return ScriptedServer::answer(204, {});
        }
        QByteArray body = "<multistatus xmlns=\"DAV:\" "
                          "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">";
        const bool multiget = r.body.contains("addressbook-multiget");
        for (auto it = cards.cbegin(); it != cards.cend(); ++it)
            if (!multiget || r.body.contains("<d:href>" + it.key() + "</d:href>"))
                body += response(it.key(), multiget);
        body += "<sync-token>t" + QByteArray::number(version) + "</sync-token></multistatus>";
        return ScriptedServer::answer(207, body);
    }
};

} // namespace

void TstCarddavQuirks::weakETagsNeverOverwriteUnseen() {
    WeakServer dav;
    dav.put("/book/c1.vcf",
            "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c1\r\nFN:Ann Lee\r\nN:Lee;Ann;;;\r\n"
            "TEL;TYPE=CELL:100\r\nEMAIL:a@x.example\r\nX-KEEP:yes\r\nEND:VCARD\r\n");
    ScriptedServer server([&](const SeenRequest& r, QTcpSocket& s) { s.write(dav.answer(r)); });
    rolvane::test::TestBook book;
    SyncStore store;
    QVERIFY(store.open(book.path()).ok());
    Link link;
    link.url = server.url("/book/").toString();
    QVERIFY(store.addLink(link).ok());
    auto sync = [&] {
        HttpClient client(server.url(), {}, {}, quickLimits());
        return runSync(store, client, link, {});
    };
    SyncSummary summary = sync();
    QCOMPARE(summary.stop.words(), QString());
    QCOMPARE(summary.newHere, 1);

    // Edited here: the card is read before it is written, and written with no precondition
    // that a weak tag cannot meet.
    book.exec("update Rolvane set Ph1 = '101'");
    qsizetype before = server.seen().size();
    summary = sync();
    QCOMPARE(summary.stop.words(), QString());
    QCOMPARE(summary.sent, 1);
    QVERIFY(dav.cards["/book/c1.vcf"].contains("TEL;TYPE=CELL:101\r\n"));
    QVERIFY(dav.cards["/book/c1.vcf"].contains("X-KEEP:yes"));
    QCOMPARE(server.seen()[before].method, QByteArray("GET"));
    QCOMPARE(server.seen()[before + 1].method, QByteArray("PUT"));

    // Edited on both sides, other fields: the server's change is seen and merged, not lost.
    QByteArray changed = dav.cards["/book/c1.vcf"];
    dav.put("/book/c1.vcf", changed.replace("a@x.example", "ann@x.example"));
    book.exec("update Rolvane set Ph1 = '102'");
    summary = sync();
    QCOMPARE(summary.stop.words(), QString());
    QCOMPARE(book.value("select Email || ' ' || Ph1 from Rolvane"), "ann@x.example 102");
    QVERIFY(dav.cards["/book/c1.vcf"].contains("ann@x.example"));
    QVERIFY(dav.cards["/book/c1.vcf"].contains("TEL;TYPE=CELL:102\r\n"));
}

void TstCarddavQuirks::selfSignedOnlyByItsFingerprint() {
    QTemporaryDir dir;
    const QString cert = dir.filePath("cert.pem"), key = dir.filePath("key.pem");
    if (QProcess::execute("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                                      "-subj", "/CN=127.0.0.1", "-keyout", key, "-out", cert}) != 0)
        QSKIP("openssl is not installed");
    QFile certFile(cert), keyFile(key);
    QVERIFY(certFile.open(QIODevice::ReadOnly) && keyFile.open(QIODevice::ReadOnly));
    const QSslCertificate certificate(&certFile, QSsl::Pem);
    const QSslKey privateKey(&keyFile, QSsl::Rsa, QSsl::Pem);
    ScriptedServer server([](const SeenRequest&, QTcpSocket& s) {
        s.write(ScriptedServer::answer(207, "<multistatus xmlns=\"DAV:\"/>"));
    });
    server.useTls(certificate, privateKey);
    const QByteArray right = certificate.digest(QCryptographicHash::Sha256);
    const QByteArray wrong = QCryptographicHash::hash("other", QCryptographicHash::Sha256);
    for (const QByteArray& pin : {QByteArray(), wrong, right}) {
        HttpClient client(server.url(), QStringLiteral("ann"), QStringLiteral("pw"), quickLimits());
        client.pinCertificate(pin);
        const HttpResponse r = client.send({"PROPFIND", server.url("/"), kPropfindETags, {}});
        QCOMPARE(r.status, pin == right ? 207 : 0);
        if (pin != right)
            QVERIFY2(r.error.contains("certificate"), qPrintable(r.error));
    }
    // Credentials never went over a connection that was refused.
    QCOMPARE(server.seen().size(), 1);
}

QTEST_GUILESS_MAIN(TstCarddavQuirks)
#include "tst_carddav_quirks.moc"
