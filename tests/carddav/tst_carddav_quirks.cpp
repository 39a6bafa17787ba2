// SPDX-License-Identifier: GPL-3.0-or-later
// The client against a scripted server: redirects (to other hosts: tst_carddav_redirects), answers
// too large, too slow or hostile, the listing's odd answers (a token answered with 500, a
// truncated listing), and what the set-up tool then tells the user to do.
#include "carddav/http_client.h"
#include "carddav/listing.h"
#include "carddav/sync_engine.h"
#include "scripted_server.h"
#include "served_tool.h"
#include "support/test_book.h"

#include <QCryptographicHash>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace rolvane::carddav;
using rolvane::test::kAddressBook;
using rolvane::test::kEmptyListing;
using rolvane::test::kPropfindETags;
using rolvane::test::opensslFingerprint;
using rolvane::test::quickLimits;
using rolvane::test::runServedTool;
using rolvane::test::ScriptedServer;
using rolvane::test::SeenRequest;
using rolvane::test::selfSignedCertificate;

namespace {

const QByteArray kListing = "<multistatus xmlns=\"DAV:\"><response><href>/book/a.vcf</href>"
                            "<propstat><prop><getetag>\"1\"</getetag></prop><status>HTTP/1.1 200 "
                            "OK</status></propstat></response><sync-token>t2</sync-token>"
                            "</multistatus>";

// Every request answered alike; 207, and 0 (late), as the address book /book/.
QByteArray answerAll(int status, const SeenRequest& r) {
    if (status == 207 || status == 0)
        return ScriptedServer::answer(207, r.method == "REPORT" ? kEmptyListing : kAddressBook);
    if (status == 401)
        return ScriptedServer::answer(401, {}, "WWW-Authenticate: Basic realm=\"dav\"\r\n");
    return ScriptedServer::answer(status, status == 200 ? "<html><body>Welcome</body></html>" : "");
}

// Tls: a certificate no one signed; Relinked: linked with one such, then serving another.
enum How { Plain, Tls, Relinked, Terminal, Unprivileged };

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
    void toolSaysWhatToDo_data();
    void toolSaysWhatToDo();
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
    QSslCertificate certificate;
    QSslKey privateKey;
    if (!selfSignedCertificate(dir, certificate, privateKey))
        QSKIP("openssl is not installed");
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

void TstCarddavQuirks::toolSaysWhatToDo_data() {
    QTest::addColumn<int>("status"); // every answer; 0: the first one only once the tool waits
    QTest::addColumn<int>("how");
    QTest::addColumn<QStringList>("args"); // after "sync", before "--file BOOK"
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("says"); // {book}, {folder} and {fingerprint} filled in
    const auto row = [](const char* name, int status, How how, const QStringList& args, int code,
                        const QStringList& says) {
        QTest::newRow(name) << status << int(how) << args << code << says;
    };
    const QStringList add{"add", "{url}"}, sync;
    const QStringList fingerprint{"SHA-256 fingerprint is {fingerprint}"};
    const QStringList notCardDav{"not a CardDAV server", "(it answered"};
    const QStringList notLinked{"rolvane-db sync add URL --file '{book}'"};
    const QStringList readOnly{"folder \"{folder}\"", "read-only"};
    row("self-signed", 207, Tls, add, 1,
        fingerprint + QStringList{"--certificate-sha256 {fingerprint}"});
    row("not the pinned certificate", 207, Tls,
        add + QStringList{"--certificate-sha256", QString(64, '0')}, 1,
        {"not the one --certificate-sha256 names", "{fingerprint}"});
    row("certificate changed since sync add", 207, Relinked, sync, 4,
        fingerprint + QStringList{"add it again with --certificate-sha256 {fingerprint}"});
    row("501", 501, Plain, add, 1, notCardDav);
    row("405", 405, Plain, add, 1, notCardDav);
    row("a web page", 200, Plain, add, 1, notCardDav);
    row("no --user", 401, Plain, add, 1, {"asks for a user name", "--user NAME"});
    row("user refused", 401, Plain,
        add + QStringList{"--user", "ann", "--password-command", "echo pw"}, 1,
        {"refused the user name or password"});
    row("not linked: status", 207, Plain, {"status"}, 1, notLinked);
    row("not linked: sync", 207, Plain, sync, 1, notLinked);
    row("read-only folder: add", 207, Unprivileged, add, 1, readOnly);
    row("read-only folder: sync", 207, Unprivileged, sync, 1, readOnly);
    row("silent, on a terminal", 0, Terminal, add, 0,
        {"Waiting for 127.0.0.1 to answer...", "Linked to"});
}

// `sync add` and `sync` name what the user can do: the fingerprint and the option that trusts
// it, the missing option, the folder, the book; a terminal is told what the silence is.
void TstCarddavQuirks::toolSaysWhatToDo() {
    QFETCH(int, status);
    QFETCH(int, how);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QStringList, says);
    if (how == Terminal && QStandardPaths::findExecutable("script").isEmpty())
        QSKIP("script(1), which gives the tool a terminal, is not installed");
    if (const QString why = rolvane::test::unprivilegedUnavailable();
        how == Unprivileged && !why.isEmpty())
        QSKIP(qPrintable(why));
    QTemporaryDir home, books;
    const QString book = books.filePath("addy.mdb");
    QCOMPARE(runServedTool({"create", "--file", book}, home.path()).code, 0);
    QPointer<QTcpSocket> held;
    ScriptedServer server([&](const SeenRequest& r, QTcpSocket& s) {
        if (status == 0 && server.seen().size() == 1)
            held = &s;
        else
            s.write(answerAll(status, r));
    });
    QSslCertificate certificate;
    QSslKey key;
    const bool tls = how == Tls || how == Relinked;
    if (tls && !selfSignedCertificate(home, certificate, key))
        QSKIP("openssl is not installed");
    if (tls)
        server.useTls(certificate, key);
    const QString url = server.url("/book/").toString();
    args.replaceInStrings("{url}", url);
    if (how == Relinked) {
        const QString pin = opensslFingerprint(home);
        QCOMPARE(runServedTool({"sync", "add", url, "--certificate-sha256", pin, "--file", book},
                               home.path())
                     .code,
                 0);
        QVERIFY(selfSignedCertificate(home, certificate, key));
        server.useTls(certificate, key);
    }
    if (how == Unprivileged) {
        using P = QFile::Permission;
        rolvane::test::handOver(book, P::ReadOwner | P::WriteOwner | P::ReadOther | P::WriteOther);
        rolvane::test::handOver(books.path(),
                                P::ReadOwner | P::ExeOwner | P::ReadOther | P::ExeOther);
    }
    const rolvane::test::ServedRun run =
        runServedTool(QStringList{"sync"} + args + QStringList{"--file", book}, home.path(),
                      {.terminal = how == Terminal,
                       .unprivileged = how == Unprivileged,
                       .whileRunning = [&](QProcess&, const QByteArray& out) {
                           if (held && out.contains("Waiting for")) {
                               held->write(answerAll(207, server.seen().front()));
                               held.clear();
                           }
                       }});
    QFile::setPermissions(books.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString said = run.err + run.out;
    QVERIFY2(run.code == code, qPrintable(said));
    says.replaceInStrings("{book}", book).replaceInStrings("{folder}", books.path());
    if (tls)
        says.replaceInStrings("{fingerprint}", opensslFingerprint(home));
    for (const QString& words : says)
        QVERIFY2(said.contains(words), qPrintable(words + " not in: " + said));
    QCOMPARE(said.count("Waiting for"), how == Terminal ? 1 : 0);
}

QTEST_GUILESS_MAIN(TstCarddavQuirks)
#include "tst_carddav_quirks.moc"
