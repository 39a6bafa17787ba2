// SPDX-License-Identifier: GPL-3.0-or-later
// Redirects to other hosts: which hosts the rule lets a link go on to, where the password goes,
// and `sync add` confirming a host (--allow-host) that the next syncs then follow. 127.0.0.1 and
// localhost reach the same scripted server as two hosts.
#include "carddav/http_client.h"
#include "carddav/redirect_hosts.h"
#include "scripted_server.h"
#include "served_tool.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

using namespace rolvane::carddav;
using rolvane::test::kAddressBook;
using rolvane::test::kEmptyListing;
using rolvane::test::kPropfindETags;
using rolvane::test::quickLimits;
using rolvane::test::ScriptedServer;
using rolvane::test::SeenRequest;

namespace {

bool toLocalhost(const SeenRequest& r) {
    return r.head.contains("\r\nHost: localhost:");
}

} // namespace

class TstCarddavRedirects : public QObject {
    Q_OBJECT
private slots:
    void hostRule_data();
    void hostRule();
    void credentialsFollowTheRule_data();
    void credentialsFollowTheRule();
    void writesFollowNoRedirect_data();
    void writesFollowNoRedirect();
    void addConfirmsAnotherHost();
    void addAsksOnATerminal_data();
    void addAsksOnATerminal();
    void syncExitStatus_data();
    void syncExitStatus();
};

void TstCarddavRedirects::hostRule_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("confirmed");
    QTest::addColumn<bool>("follows");
    const QStringList none;
    const QStringList other{QStringLiteral("Dav.Other.NET.")};
    QTest::newRow("same host, case") << "dav.example.com"
                                     << "DAV.Example.COM" << none << true;
    QTest::newRow("subdomain") << "example.com"
                               << "dav.example.com" << none << true;
    QTest::newRow("siblings") << "www.example.com"
                              << "dav.example.com" << none << true;
    QTest::newRow("another domain") << "example.com"
                                    << "example.net" << none << false;
    QTest::newRow("confirmed") << "example.com"
                               << "dav.other.net" << other << true;
    QTest::newRow("confirmed host, not its domain") << "example.com"
                                                    << "www.other.net" << other << false;
    QTest::newRow("co.uk siblings") << "a.co.uk"
                                    << "b.co.uk" << none << false;
    QTest::newRow("to a public suffix") << "example.co.uk"
                                        << "co.uk" << none << false;
    QTest::newRow("private suffix") << "ann.github.io"
                                    << "bob.github.io" << none << false;
    QTest::newRow("IDN as punycode") << "dav.bücher.example"
                                     << "www.xn--bcher-kva.example" << none << true;
    QTest::newRow("IDN public suffix") << "a.公司.cn"
                                       << "b.xn--55qx5d.cn" << none << false;
    QTest::newRow("trailing dot") << "example.com."
                                  << "dav.example.com" << none << true;
    QTest::newRow("trailing dot, same host") << "dav.example.com"
                                             << "dav.example.com." << none << true;
    QTest::newRow("same address") << "127.0.0.1"
                                  << "127.0.0.1" << none << true;
    QTest::newRow("addresses ending alike") << "10.0.0.1"
                                            << "192.168.0.1" << none << false;
    QTest::newRow("IPv6 spelt two ways") << "::1"
                                         << "0:0:0:0:0:0:0:1" << none << true;
    QTest::newRow("address to localhost") << "127.0.0.1"
                                          << "localhost" << none << false;
    QTest::newRow("localhost to address") << "localhost"
                                          << "127.0.0.1" << none << false;
    QTest::newRow("under localhost") << "a.localhost"
                                     << "b.localhost" << none << false;
    QTest::newRow("localhost confirmed") << "127.0.0.1"
                                         << "localhost" << QStringList{"localhost"} << true;
    QTest::newRow("no host") << "example.com"
                             << "" << none << false;
}

void TstCarddavRedirects::hostRule() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, confirmed);
    QFETCH(bool, follows);
    QCOMPARE(mayFollowHost(from, to, confirmed), follows);
}

void TstCarddavRedirects::credentialsFollowTheRule_data() {
    QTest::addColumn<QString>("start");     // host of the first request; the link is 127.0.0.1
    QTest::addColumn<QByteArray>("toHost"); // the redirect's host, none: the request is answered
    QTest::addColumn<bool>("confirmed");    // localhost confirmed for the link
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("authorized"); // the last request carried the credentials
    QTest::newRow("redirect, not confirmed")
        << "127.0.0.1" << QByteArray("localhost") << false << 0 << true;
    QTest::newRow("redirect, confirmed")
        << "127.0.0.1" << QByteArray("localhost") << true << 207 << true;
    QTest::newRow("redirect home")
        << "localhost" << QByteArray("127.0.0.1") << false << 207 << true;
    QTest::newRow("request, not confirmed") << "localhost" << QByteArray() << false << 207 << false;
    QTest::newRow("request, confirmed") << "localhost" << QByteArray() << true << 207 << true;
}

void TstCarddavRedirects::credentialsFollowTheRule() {
    QFETCH(QString, start);
    QFETCH(QByteArray, toHost);
    QFETCH(bool, confirmed);
    QFETCH(int, status);
    QFETCH(bool, authorized);
    quint16 port = 0;
    ScriptedServer server([&](const SeenRequest& r, QTcpSocket& s) {
        s.write(r.path == "/start" && !toHost.isEmpty()
                    ? ScriptedServer::answer(301, {},
                                             "Location: http://" + toHost + ':' +
                                                 QByteArray::number(port) + "/dav/\r\n")
                    : ScriptedServer::answer(207, "<multistatus xmlns=\"DAV:\"/>"));
    });
    port = server.port();
    HttpClient client(server.url(), QStringLiteral("ann"), QStringLiteral("pw"), quickLimits());
    if (confirmed)
        client.confirmHosts({QStringLiteral("LocalHost")});
    const QUrl url(QStringLiteral("http://%1:%2/start").arg(start).arg(port));
    const HttpResponse r = client.send({"PROPFIND", url, kPropfindETags, {}});
    QCOMPARE(r.status, status);
    QVERIFY(!server.seen().isEmpty());
    QCOMPARE(server.seen().back().head.contains("Authorization: Basic"), authorized);
    if (status == 0) {
        QVERIFY2(r.error.contains(QLatin1String("localhost")), qPrintable(r.error));
        QCOMPARE(client.refusedHost(), QStringLiteral("localhost"));
        QCOMPARE(server.seen().size(), 1); // nothing at all went to the refused host
    } else {
        QCOMPARE(client.refusedHost(), QString());
    }
}

void TstCarddavRedirects::writesFollowNoRedirect_data() {
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("otherPort"); // sent on to another port of this computer
    QTest::addColumn<bool>("followed");
    QTest::addColumn<bool>("authorized"); // the request after the redirect carried credentials
    QTest::addColumn<int>("failure");     // HttpFailure
    QTest::newRow("303 to a DELETE") << QByteArray("DELETE") << 303 << false << false << false
                                     << int(HttpFailure::OutcomeUnknown);
    QTest::newRow("307 to a DELETE") << QByteArray("DELETE") << 307 << false << false << false
                                     << int(HttpFailure::OutcomeUnknown);
    QTest::newRow("308 to a PUT") << QByteArray("PUT") << 308 << false << false << false
                                  << int(HttpFailure::OutcomeUnknown);
    QTest::newRow("303 to a REPORT") << QByteArray("REPORT") << 303 << false << false << false
                                     << int(HttpFailure::OutcomeUnknown);
    QTest::newRow("303 to a GET") << QByteArray("GET") << 303 << false << true << true
                                  << int(HttpFailure::None);
    QTest::newRow("307 to a REPORT")
        << QByteArray("REPORT") << 307 << false << true << true << int(HttpFailure::None);
    // Another port of this computer is another program: not followed, credentials or not.
    QTest::newRow("another port") << QByteArray("REPORT") << 307 << true << false << false
                                  << int(HttpFailure::Redirect);
}

void TstCarddavRedirects::writesFollowNoRedirect() {
    QFETCH(QByteArray, method);
    QFETCH(int, status);
    QFETCH(bool, otherPort);
    QFETCH(bool, followed);
    QFETCH(bool, authorized);
    QFETCH(int, failure);
    // The card's address sends us on to the address book itself, as a server might after a
    // write: followed with the write's method, that would act on every card.
    const auto answer = [](const SeenRequest&, QTcpSocket& s) {
        s.write(ScriptedServer::answer(207, "<multistatus xmlns=\"DAV:\"/>"));
    };
    ScriptedServer other(answer);
    quint16 port = 0;
    ScriptedServer server([&](const SeenRequest& r, QTcpSocket& s) {
        if (r.path != "/book/a.vcf")
            return answer(r, s);
        s.write(ScriptedServer::answer(
            status, {},
            "Location: http://127.0.0.1:" + QByteArray::number(otherPort ? other.port() : port) +
                "/book/\r\n"));
    });
    port = server.port();
    HttpClient client(server.url(), QStringLiteral("ann"), QStringLiteral("pw"), quickLimits());
    const HttpResponse r = client.send({method, server.url("/book/a.vcf"), "x", {}});
    const QList<SeenRequest>& after = otherPort ? other.seen() : server.seen();
    QCOMPARE(after.size(), otherPort ? qsizetype(followed) : qsizetype(followed ? 2 : 1));
    QCOMPARE(int(r.failure), failure);
    if (followed)
        QCOMPARE(after.back().head.contains("Authorization: Basic"), authorized);
}

namespace {

using Run = rolvane::test::ServedRun;
using rolvane::test::runServedTool;

// The address given is on 127.0.0.1, which sends us on to the address book on localhost; that
// one lists its cards from 127.0.0.1 again, so a sync needs both hosts confirmed.
struct TwoHosts {
    QTemporaryDir home;
    const QString book = home.filePath(QStringLiteral("addy.mdb"));
    quint16 port = 0;
    ScriptedServer server{[this](const SeenRequest& r, QTcpSocket& s) {
        const QByteArray here = "http://127.0.0.1:" + QByteArray::number(port);
        if (r.path == "/start")
            s.write(ScriptedServer::answer(
                301, {}, "Location: http://localhost:" + QByteArray::number(port) + "/book/\r\n"));
        else if (r.method == "REPORT" && toLocalhost(r))
            s.write(ScriptedServer::answer(307, {}, "Location: " + here + "/book/\r\n"));
        else
            s.write(
                ScriptedServer::answer(207, r.method == "REPORT" ? kEmptyListing : kAddressBook));
    }};

    TwoHosts() {
        port = server.port();
        runServedTool({QStringLiteral("create"), QStringLiteral("--file"), book}, home.path());
    }
    Run sync(const QStringList& args, const QByteArray& typed = {}, bool terminal = false) {
        return runServedTool(QStringList{QStringLiteral("sync")} << args << QStringLiteral("--file")
                                                                 << book,
                             home.path(), {.typed = typed, .terminal = terminal});
    }
    QStringList add() const {
        return {QStringLiteral("add"),
                server.url(QStringLiteral("/start")).toString(),
                QStringLiteral("--user"),
                QStringLiteral("ann"),
                QStringLiteral("--password-command"),
                QStringLiteral("echo pw")};
    }
};

} // namespace

void TstCarddavRedirects::addConfirmsAnotherHost() {
    TwoHosts dav;
    // No terminal to ask on: refused, naming the host and the option, and nothing was sent there.
    Run run = dav.sync(dav.add());
    QCOMPARE(run.code, 1);
    QVERIFY2(run.err.contains(QLatin1String("--allow-host localhost")), qPrintable(run.err));
    for (const SeenRequest& r : dav.server.seen())
        QVERIFY(!toLocalhost(r));
    QCOMPARE(dav.sync({QStringLiteral("status")}).code, 1); // not linked

    run = dav.sync(dav.add() << QStringLiteral("--allow-host") << QStringLiteral("LOCALHOST"));
    QCOMPARE(run.code, 0);
    QVERIFY2(run.out.contains(QLatin1String("http://localhost:")), qPrintable(run.out));
    run = dav.sync({QStringLiteral("status")});
    QVERIFY2(run.out.contains(QLatin1String("localhost, 127.0.0.1")), qPrintable(run.out));

    // The sync starts at localhost and is sent back to 127.0.0.1, confirmed through the add.
    const qsizetype before = dav.server.seen().size();
    run = dav.sync({});
    QVERIFY2(run.code == 0, qPrintable(run.err));
    QVERIFY(dav.server.seen().size() > before + 1);
    for (qsizetype i = before; i < dav.server.seen().size(); ++i)
        QVERIFY(dav.server.seen()[i].head.contains("Authorization: Basic"));
    QVERIFY(!toLocalhost(dav.server.seen().back()));

    const QString hosts = dav.home.filePath(QStringLiteral("config/rolvane/sync-hosts"));
    QCOMPARE(QFile(hosts).permissions() & ~(QFile::ReadUser | QFile::WriteUser),
             QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(dav.sync({QStringLiteral("remove")}).code, 0);
    QFile file(hosts);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray());
}

void TstCarddavRedirects::addAsksOnATerminal_data() {
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<int>("code");
    QTest::newRow("yes") << QByteArray("y\n") << 0;
    QTest::newRow("no") << QByteArray("n\n") << 1;
    QTest::newRow("just Enter") << QByteArray("\n") << 1;
}

void TstCarddavRedirects::addAsksOnATerminal() {
    QFETCH(QByteArray, typed);
    QFETCH(int, code);
    if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
        QSKIP("script(1), which gives the tool a terminal, is not installed");
    TwoHosts dav;
    const Run run = dav.sync(dav.add(), typed, true);
    QCOMPARE(run.code, code);
    // script(1) puts what the terminal showed, the question included, on its standard output.
    QCOMPARE(run.out.count(QLatin1String("The server sends us on to localhost. Send your user name "
                                         "and password there too? [y/N]")),
             1);
    QCOMPARE(dav.sync({QStringLiteral("status")}).code, code);
}

void TstCarddavRedirects::syncExitStatus_data() {
    QTest::addColumn<int>("status"); // what the server answers the sync; 0: nothing
    QTest::addColumn<int>("code");
    QTest::newRow("credentials refused") << 401 << 3;
    QTest::newRow("sent on to a host not confirmed") << 301 << 3;
    QTest::newRow("server error") << 503 << 4;
    QTest::newRow("not CardDAV") << 405 << 1;
    QTest::newRow("stopped by SIGTERM while it waits") << 0 << 5;
}

// What a stopped sync needs, by its exit status: the user, time, or a look.
void TstCarddavRedirects::syncExitStatus() {
    QFETCH(int, status);
    QFETCH(int, code);
    QTemporaryDir home;
    const QString book = home.filePath(QStringLiteral("addy.mdb"));
    bool linked = false;
    quint16 port = 0;
    ScriptedServer server([&](const SeenRequest& r, QTcpSocket& s) {
        if (!linked)
            s.write(
                ScriptedServer::answer(207, r.method == "REPORT" ? kEmptyListing : kAddressBook));
        else if (status != 0)
            s.write(ScriptedServer::answer(
                status, {},
                "Location: http://localhost:" + QByteArray::number(port) + "/book/\r\n"));
    });
    port = server.port();
    QCOMPARE(
        runServedTool({QStringLiteral("create"), QStringLiteral("--file"), book}, home.path()).code,
        0);
    QCOMPARE(runServedTool({QStringLiteral("sync"), QStringLiteral("add"),
                            server.url(QStringLiteral("/book/")).toString(),
                            QStringLiteral("--file"), book},
                           home.path())
                 .code,
             0);
    linked = true;
    const qsizetype before = server.seen().size();
    bool terminated = false; // once: a second signal ends the tool at once
    const Run run =
        runServedTool({QStringLiteral("sync"), QStringLiteral("--file"), book}, home.path(),
                      {.whileRunning = [&](QProcess& p, const QByteArray&) {
                          if (status == 0 && !terminated && server.seen().size() > before) {
                              p.terminate();
                              terminated = true;
                          }
                      }});
    QVERIFY2(run.code == code, qPrintable(run.err));
    QVERIFY2(run.err.contains(QLatin1String("The sync stopped")), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TstCarddavRedirects)
#include "tst_carddav_redirects.moc"
