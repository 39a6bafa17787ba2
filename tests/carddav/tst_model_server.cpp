// SPDX-License-Identifier: GPL-3.0-or-later
// The model server against the client's own code: paged listings give every change once, tokens
// are refused as servers refuse them, cards come through the multistatus reader, writes keep
// their preconditions, and a fault loses either the write or only its answer.
#include "carddav/http_client.h"
#include "carddav/listing.h"
#include "carddav/multistatus.h"
#include "support/model_server.h"

#include <QTest>
#include <optional>

using namespace rolvane::carddav;
using rolvane::test::ModelFaults;
using rolvane::test::ModelServer;

namespace {

const QUrl kBook(QStringLiteral("http://127.0.0.1:5232/u/book/"));

std::string card(int i) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:u" + std::to_string(i) + "\r\nFN:A & <B> " +
           std::to_string(i) + "\r\nNOTE:a long note\r\n  folded\r\nTEL:1\r\nEND:VCARD\r\n";
}

struct Rig {
    explicit Rig(std::uint64_t seed)
        : server(seed, kBook, "ann", "pw"), client(kBook, "ann", "pw") {
        client.setTransport(server.transport());
    }
    ModelServer server;
    HttpClient client;
};

struct Walk {
    std::map<QString, std::vector<Listed>> seen; // every time each href was listed
    QString token;
    int pages = 0;
};

// Every page of a listing from `token`, as the sync goes through them.
std::optional<Walk> walk(HttpClient& client, QString token) {
    Walk w;
    for (; w.pages < 100; ++w.pages) {
        Listing listing;
        if (!listMembers(client, kBook, token, listing).ok() || listing.tokenRejected)
            return std::nullopt;
        for (Listed& m : listing.members)
            w.seen[m.href].push_back(std::move(m));
        token = w.token = listing.token;
        if (!listing.truncated)
            return w;
    }
    return std::nullopt;
}

QByteArray syncBody(const QString& token) {
    return "<d:sync-collection xmlns:d=\"DAV:\"><d:sync-token>" + token.toUtf8() +
           "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop>"
           "</d:sync-collection>";
}

} // namespace

class TstModelServer : public QObject {
    Q_OBJECT
private slots:
    void pagesListEachChangeOnce_data();
    void pagesListEachChangeOnce();
    void tokensRefused_data();
    void tokensRefused();
    void multigetThroughTheReader();
    void writePreconditions_data();
    void writePreconditions();
    void faultsLoseWriteOrAnswer_data();
    void faultsLoseWriteOrAnswer();
    void storeQuirks_data();
    void storeQuirks();
    void redirectsLeadToTheSameAnswer_data();
    void redirectsLeadToTheSameAnswer();
    void repeatsBySeed();
};

void TstModelServer::pagesListEachChangeOnce_data() {
    QTest::addColumn<quint64>("seed");
    QTest::addColumn<double>("truncate");
    QTest::addColumn<double>("omitTransient");
    QTest::addRow("whole") << quint64(1) << 0.0 << 0.0;
    for (quint64 seed : {2, 3, 4})
        QTest::addRow("paged %llu", seed) << seed << 1.0 << 0.0;
    QTest::addRow("paged, transient left out") << quint64(5) << 1.0 << 1.0;
}

void TstModelServer::pagesListEachChangeOnce() {
    QFETCH(quint64, seed);
    QFETCH(double, truncate);
    QFETCH(double, omitTransient);
    Rig rig(seed);
    ModelFaults faults;
    faults.truncate = truncate;
    faults.omitTransient = omitTransient;
    rig.server.setFaults(faults);
    std::vector<QString> hrefs;
    for (int i = 0; i < 12; ++i)
        hrefs.push_back(rig.server.deviceAdd(card(i)));
    const std::optional<Walk> first = walk(rig.client, {});
    QVERIFY(first);
    QCOMPARE(first->seen.size(), rig.server.cards().size());
    for (const auto& [href, listed] : first->seen) {
        QCOMPARE(listed.size(), 1u);
        QVERIFY(!listed.front().gone);
        QCOMPARE(listed.front().etag, rig.server.etagOf(href));
    }
    QCOMPARE(first->pages > 0, truncate > 0); // a truncated listing ends with an empty page
    QVERIFY(rig.server.deviceEdit(hrefs[0], card(50)));
    QVERIFY(rig.server.deviceEdit(hrefs[1], card(51)));
    QVERIFY(rig.server.deviceDelete(hrefs[1]));
    QVERIFY(rig.server.deviceDelete(hrefs[2]));
    const QString transient = rig.server.deviceAdd(card(52));
    QVERIFY(rig.server.deviceDelete(transient));
    const QString added = rig.server.deviceAdd(card(53));
    std::map<QString, bool> expected = {
        {hrefs[0], false}, {hrefs[1], true}, {hrefs[2], true}, {added, false}};
    if (omitTransient == 0)
        expected[transient] = true;
    const std::optional<Walk> second = walk(rig.client, first->token);
    QVERIFY(second);
    std::map<QString, bool> gone;
    for (const auto& [href, listed] : second->seen) {
        QCOMPARE(listed.size(), 1u);
        gone[href] = listed.front().gone;
        QCOMPARE(listed.front().etag, rig.server.etagOf(href));
    }
    QCOMPARE(gone, expected);
    QCOMPARE(second->token, rig.server.currentToken());
}

void TstModelServer::tokensRefused_data() {
    QTest::addColumn<QString>("token");
    QTest::addColumn<double>("refuse");
    QTest::addColumn<bool>("forget");
    QTest::addColumn<bool>("rejected");
    QTest::addRow("current") << "@now" << 0.0 << false << false;
    QTest::addRow("older") << "@old" << 0.0 << false << false;
    QTest::addRow("none, refusing") << "" << 1.0 << false << false;
    QTest::addRow("refused by chance") << "@now" << 1.0 << false << true;
    QTest::addRow("garbled") << "http://model.invalid/sync/1x" << 0.0 << false << true;
    QTest::addRow("another server's") << "urn:x:1" << 0.0 << false << true;
    QTest::addRow("from the future") << ModelServer::tokenFor(99) << 0.0 << false << true;
    QTest::addRow("forgotten") << "@old" << 0.0 << true << true;
    QTest::addRow("current, after forgetting") << "@now" << 0.0 << true << false;
}

void TstModelServer::tokensRefused() {
    QFETCH(QString, token);
    QFETCH(double, refuse);
    QFETCH(bool, forget);
    QFETCH(bool, rejected);
    Rig rig(7);
    rig.server.deviceAdd(card(1));
    const QString old = rig.server.currentToken();
    rig.server.deviceAdd(card(2));
    if (forget)
        rig.server.forgetHistory();
    token = token == "@old" ? old : token == "@now" ? rig.server.currentToken() : token;
    ModelFaults faults;
    faults.refuseToken = refuse;
    rig.server.setFaults(faults);

    Listing listing;
    QVERIFY(listMembers(rig.client, kBook, token, listing).ok());
    QCOMPARE(listing.tokenRejected, rejected);
    const HttpResponse raw = rig.client.send({"REPORT", kBook, syncBody(token), {{"Depth", "0"}}});
    QCOMPARE(raw.status, rejected ? 403 : 207);
    QCOMPARE(davErrorName(raw.body), rejected ? "valid-sync-token" : "");
}

void TstModelServer::multigetThroughTheReader() {
    Rig rig(8);
    const QString href = rig.server.deviceAdd(card(1));
    const QByteArray body =
        "<c:addressbook-multiget xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
        "<d:prop><d:getetag/><c:address-data/></d:prop><d:href>" +
        href.toUtf8() + "</d:href><d:href>/u/book/missing.vcf</d:href></c:addressbook-multiget>";
    const HttpResponse answer = rig.client.send({"REPORT", kBook, body, {{"Depth", "1"}}});
    QCOMPARE(answer.status, 207);
    const std::optional<Multistatus> ms = parseMultistatus(answer.body);
    QVERIFY(ms);
    QCOMPARE(ms->responses.size(), 2u);
    const DavResponse& got = ms->responses[0];
    QCOMPARE(got.href, href);
    QVERIFY(got.property(u"address-data"));
    // XML reads CRLF as LF, and the reader trims the ends.
    QCOMPARE(got.property(u"address-data")->text,
             QString::fromStdString(card(1)).replace("\r\n", "\n").trimmed());
    QCOMPARE(got.property(u"getetag")->text.toUtf8(), rig.server.etagOf(href));
    QCOMPARE(ms->responses[1].status, 404);
    QVERIFY(!ms->responses[1].property(u"address-data"));
    HttpClient stranger(kBook, "ann", "guess");
    stranger.setTransport(rig.server.transport());
    QCOMPARE(stranger.send({"REPORT", kBook, body, {{"Depth", "1"}}}).status, 401);
}

void TstModelServer::writePreconditions_data() {
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("value"); // @etag: the card's, @weak: its weak form
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("status");
    struct Row {
        const char *name, *method, *header, *value;
        bool exists;
        int status;
    };
    for (const Row& r :
         std::initializer_list<Row>{{"new", "PUT", "If-None-Match", "*", false, 201},
                                    {"new over one", "PUT", "If-None-Match", "*", true, 412},
                                    {"edit", "PUT", "If-Match", "@etag", true, 204},
                                    {"edit, stale", "PUT", "If-Match", "\"0\"", true, 412},
                                    {"edit, weak", "PUT", "If-Match", "@weak", true, 412},
                                    {"edit, gone", "PUT", "If-Match", "\"1\"", false, 412},
                                    {"delete", "DELETE", "If-Match", "@etag", true, 204},
                                    {"delete, stale", "DELETE", "If-Match", "\"0\"", true, 412},
                                    {"delete, gone", "DELETE", "", "", false, 404}})
        QTest::newRow(r.name) << QByteArray(r.method) << QByteArray(r.header) << QByteArray(r.value)
                              << r.exists << r.status;
}

void TstModelServer::writePreconditions() {
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, value);
    QFETCH(bool, exists);
    QFETCH(int, status);
    Rig rig(9);
    const QString href = rig.server.deviceAdd(card(1));
    if (!exists)
        rig.server.deviceDelete(href);
    const QByteArray etag = rig.server.etagOf(href);
    value = value == "@etag" ? etag : value == "@weak" ? "W/" + etag : value;
    HttpRequest request{method, kBook.resolved(QUrl(href)), QByteArray::fromStdString(card(2)), {}};
    if (!header.isEmpty())
        request.headers.append({header, value});
    const auto before = rig.server.cards();
    QCOMPARE(rig.client.send(request).status, status);
    auto after = before;
    if (status < 300 && method == "PUT")
        after[href] = card(2);
    else if (status < 300)
        after.erase(href);
    QCOMPARE(rig.server.cards(), after);
}

void TstModelServer::faultsLoseWriteOrAnswer_data() {
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<int>("status"); // its hundreds
    QTest::addColumn<HttpFailure>("failure");
    QTest::addColumn<bool>("landed");
    QTest::addRow("none") << QByteArray() << 204 << HttpFailure::None << true;
    QTest::addRow("dropped before")
        << QByteArray("dropBefore") << 0 << HttpFailure::Network << false;
    QTest::addRow("server error") << QByteArray("serverError") << 500 << HttpFailure::None << false;
    QTest::addRow("redirected") << QByteArray("redirect") << 0 << HttpFailure::OutcomeUnknown
                                << false;
    QTest::addRow("dropped after") << QByteArray("dropAfter") << 0 << HttpFailure::Network << true;
    QTest::addRow("303 after") << QByteArray("seeOtherAfter") << 0 << HttpFailure::OutcomeUnknown
                               << true;
}

void TstModelServer::faultsLoseWriteOrAnswer() {
    QFETCH(QByteArray, fault);
    QFETCH(int, status);
    QFETCH(HttpFailure, failure);
    QFETCH(bool, landed);
    static const std::map<QByteArray, double ModelFaults::*> kFaults = {
        {"dropBefore", &ModelFaults::dropBefore},
        {"serverError", &ModelFaults::serverError},
        {"redirect", &ModelFaults::redirect},
        {"dropAfter", &ModelFaults::dropAfter},
        {"seeOtherAfter", &ModelFaults::seeOtherAfter}};
    Rig rig(10);
    const QString href = rig.server.deviceAdd(card(1));
    ModelFaults faults;
    if (!fault.isEmpty())
        faults.*kFaults.at(fault) = 1;
    rig.server.setFaults(faults);
    const HttpResponse r = rig.client.send({"PUT",
                                            kBook.resolved(QUrl(href)),
                                            QByteArray::fromStdString(card(2)),
                                            {{"If-Match", rig.server.etagOf(href)}}});
    QCOMPARE(r.status / 100, status / 100);
    QCOMPARE(r.failure, failure);
    QCOMPARE(rig.server.cards().at(href), landed ? card(2) : card(1));
}

void TstModelServer::storeQuirks_data() {
    QTest::addColumn<QByteArray>("quirk");
    for (const char* quirk : {"", "rewriteUid", "reorderLines", "weakETag", "noETag"})
        QTest::addRow("%s", *quirk ? quirk : "none") << QByteArray(quirk);
}

// Each property as sent, in any order; BEGIN and VERSION first, END last.
void TstModelServer::storeQuirks() {
    QFETCH(QByteArray, quirk);
    static const std::map<QByteArray, double ModelFaults::*> kQuirks = {
        {"rewriteUid", &ModelFaults::rewriteUid},
        {"reorderLines", &ModelFaults::reorderLines},
        {"weakETag", &ModelFaults::weakETag},
        {"noETag", &ModelFaults::noETag}};
    Rig rig(11);
    ModelFaults faults;
    if (!quirk.isEmpty())
        faults.*kQuirks.at(quirk) = 1;
    rig.server.setFaults(faults);
    bool reordered = false;
    for (int i = 0; i < 5; ++i) {
        const QUrl url = kBook.resolved(QUrl(QStringLiteral("c%1.vcf").arg(i)));
        const QByteArray sent = QByteArray::fromStdString(card(i));
        const HttpResponse r = rig.client.send({"PUT", url, sent, {{"If-None-Match", "*"}}});
        QCOMPARE(r.status, 201);
        const QByteArray etag = rig.server.etagOf(url.path());
        QCOMPARE(r.etag, quirk == "noETag"     ? QByteArray()
                         : quirk == "weakETag" ? "W/" + etag
                                               : etag);
        const HttpResponse got = rig.client.send({"GET", url, {}, {}});
        QCOMPARE(got.etag, etag);
        QList<QByteArray> props = QByteArray(got.body).replace("\r\n ", " ").split('\n');
        QList<QByteArray> expected = QByteArray(sent).replace("\r\n ", " ").split('\n');
        QCOMPARE(props.mid(0, 2), expected.mid(0, 2));
        QCOMPARE(props.mid(props.size() - 2), expected.mid(expected.size() - 2));
        const auto dropUids = [](QList<QByteArray>& lines) {
            return lines.removeIf([](const QByteArray& line) { return line.startsWith("UID:"); });
        };
        QCOMPARE(props.contains("UID:u" + QByteArray::number(i) + '\r'), quirk != "rewriteUid");
        QCOMPARE(dropUids(props), 1);
        dropUids(expected);
        reordered = reordered || props != expected;
        std::sort(props.begin(), props.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(props, expected);
    }
    QCOMPARE(reordered, quirk == "reorderLines");
}

void TstModelServer::redirectsLeadToTheSameAnswer_data() {
    QTest::addColumn<QByteArray>("method");
    for (const char* method : {"GET", "PROPFIND"})
        QTest::newRow(method) << QByteArray(method);
}

// To the alias and back again, each answered as the card's own path.
void TstModelServer::redirectsLeadToTheSameAnswer() {
    QFETCH(QByteArray, method);
    ModelServer server(14, kBook, {}, {});
    HttpRequest request{method, kBook.resolved(QUrl(server.deviceAdd(card(1)))), {}, {}};
    const HttpResponse direct = server.handle(request);
    QCOMPARE(direct.status, method == "GET" ? 200 : 207);
    for (const QString prefix : {"/alias/", "/u/"}) {
        ModelFaults faults;
        faults.redirect = 1;
        server.setFaults(faults);
        const HttpResponse moved = server.handle(request);
        QCOMPARE(moved.status / 100, 3);
        request.url = request.url.resolved(QUrl::fromEncoded(moved.location));
        QVERIFY(request.url.path().startsWith(prefix));
        server.quiet();
        const HttpResponse there = server.handle(request);
        QCOMPARE(there.status, direct.status);
        QCOMPARE(there.body, direct.body);
        QCOMPARE(there.etag, direct.etag);
    }
}

// The same seed and requests give the same answers; another seed other ones.
void TstModelServer::repeatsBySeed() {
    const auto run = [](std::uint64_t seed) {
        ModelServer server(seed, kBook, {}, {});
        server.setFaults(ModelFaults::chaos());
        QByteArrayList answers;
        for (int i = 0; i < 40; ++i) {
            const QString href = server.deviceAdd(card(i));
            const HttpResponse r =
                server.handle({i % 2 ? "PUT" : "REPORT",
                               i % 2 ? kBook.resolved(QUrl(href)) : kBook,
                               i % 2 ? QByteArray::fromStdString(card(i)) : syncBody({}),
                               {{"Depth", "0"}}});
            answers << QByteArray::number(r.status) + r.etag + r.location + r.body;
        }
        return answers;
    };
    QCOMPARE(run(12), run(12));
    QVERIFY(run(12) != run(13));
}

QTEST_GUILESS_MAIN(TstModelServer)
#include "tst_model_server.moc"
