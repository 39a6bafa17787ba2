// SPDX-License-Identifier: GPL-3.0-or-later
// The sync's pieces that need no server: patching a server's card, the merge rule, reading
// multistatus answers as Radicale and Xandikos write them, and the address rules.
#include "carddav/field_merge.h"
#include "carddav/multistatus.h"
#include "carddav/server_url.h"
#include "exchange/card_patch.h"
#include "exchange/card_texts.h"

#include <QTest>

using namespace rolvane::carddav;
using namespace rolvane::exchange;

namespace {

Texts texts(std::initializer_list<std::pair<Field, const char*>> fields) {
    Texts t;
    for (const auto& [f, v] : fields)
        t[f] = v;
    return t;
}

Texts readBack(const std::string& card) {
    const std::optional<CardTexts> read = readCardTexts(card);
    return read ? read->texts : Texts{};
}

const char* const kRich = "BEGIN:VCARD\r\n"
                          "VERSION:3.0\r\n"
                          "UID:rich-1\r\n"
                          "FN:Jörg Müller\r\n"
                          "N:Müller;Jörg;;Dr.;\r\n"
                          "TEL;TYPE=CELL:+49 170 1\r\n"
                          "TEL;TYPE=WORK:+49 30 2\r\n"
                          "EMAIL;TYPE=INTERNET:j@example.org\r\n"
                          "item1.X-ABLABEL:Partner\r\n"
                          "item1.X-ABRELATEDNAMES:Anna\r\n"
                          "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD\r\n"
                          " /2wBDAAgGBgcGBQgHBwcJCQgKDA\r\n"
                          "CATEGORIES:Family,Friends\r\n"
                          "X-FOO;X-BAR=1:kept?\r\n"
                          "TITLE:Engineer\r\n"
                          "NOTE:line1\\nline2\\, with comma\r\n"
                          "END:VCARD\r\n";

} // namespace

class TstCarddavCards : public QObject {
    Q_OBJECT
private slots:
    void newCardReadsBackAsItsTexts_data();
    void newCardReadsBackAsItsTexts();
    void patchTouchesOnlyChangedProperties();
    void patchFollowsNamesOnlyWhenFnWasMadeFromThem();
    void merge_data();
    void merge();
    void multistatusOfBothServers();
    void multistatusRefusesDtdAndOtherDocuments_data();
    void multistatusRefusesDtdAndOtherDocuments();
    void serverAddresses_data();
    void serverAddresses();
    void hrefsStayOnTheOrigin();
    void textsKeptInOneColumn();
};

void TstCarddavCards::newCardReadsBackAsItsTexts_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("version4");
    const std::pair<Field, const char*> cases[] = {{First, "Émile, \"Mile\""},
                                                   {Last, "O'Brien; Jr\\"},
                                                   {Ph1, "+1 (555) 010-1"},
                                                   {Ph2, "555,2;3"},
                                                   {Ph3, "0044 20 7946 0958"},
                                                   {Email, "a@b.example"},
                                                   {Bus, "+33 1 23 45 67 89"},
                                                   {Fax, "+1 555 0199"},
                                                   {Addy, "12 Rue X\nApt 3\n75001 Paris"},
                                                   {Comments, "two\nlines, one; with \\ marks"}};
    for (bool v4 : {false, true})
        for (const auto& [f, v] : cases)
            QTest::addRow("%s %s", rolvane::kColumnNames[f].data(), v4 ? "4.0" : "3.0")
                << int(f) << QString::fromUtf8(v) << v4;
}

void TstCarddavCards::newCardReadsBackAsItsTexts() {
    QFETCH(int, field);
    QFETCH(QString, value);
    QFETCH(bool, version4);
    Texts t = texts({{First, "Ann"}, {Last, "Lee"}});
    t[std::size_t(field)] = value.toStdString();
    const std::string card = newCard(t, "uid-1", version4, "20260101T000000Z");
    const Texts back = readBack(card);
    for (std::size_t f = 0; f < kMergedFields; ++f)
        QCOMPARE(QString::fromStdString(back[f]), QString::fromStdString(t[f]));
    QCOMPARE(QString::fromStdString(cardUid(card)), QStringLiteral("uid-1"));
    // Sending the same texts again changes nothing but nothing at all.
    QCOMPARE(patchCard(card, t, t, "20270101T000000Z"), card);
}

void TstCarddavCards::patchTouchesOnlyChangedProperties() {
    const Texts before = readBack(kRich);
    QCOMPARE(before[Ph1], std::string("+49 170 1"));
    QCOMPARE(before[Bus], std::string("+49 30 2"));
    Texts after = before;
    after[Ph1] = "+49 170 9";
    after[Addy] = "Hauptstr. 1\n10115 Berlin";
    const std::string patched = patchCard(kRich, before, after, "20261208T000000Z");
    for (const char* kept : {"item1.X-ABLABEL:Partner\r\n", "item1.X-ABRELATEDNAMES:Anna\r\n",
                             "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD\r\n "
                             "/2wBDAAgGBgcGBQgHBwcJCQgKDA\r\n",
                             "CATEGORIES:Family,Friends\r\n", "X-FOO;X-BAR=1:kept?\r\n",
                             "TITLE:Engineer\r\n", "N:Müller;Jörg;;Dr.;\r\n",
                             "TEL;TYPE=WORK:+49 30 2\r\n", "NOTE:line1\\nline2\\, with comma\r\n",
                             "TEL;TYPE=CELL:+49 170 9\r\n", "REV:20261208T000000Z\r\n"})
        QVERIFY2(patched.find(kept) != std::string::npos, kept);
    QVERIFY(patched.find("+49 170 1") == std::string::npos);
    const Texts back = readBack(patched);
    QVERIFY(sameFields(back, after));
}

void TstCarddavCards::patchFollowsNamesOnlyWhenFnWasMadeFromThem() {
    const Texts before = readBack(kRich);
    Texts after = before;
    after[Last] = "Meier";
    std::string patched = patchCard(kRich, before, after, "1");
    QVERIFY(patched.find("FN:Jörg Meier\r\n") != std::string::npos);
    QVERIFY(patched.find("N:Meier;Jörg;;Dr.;\r\n") != std::string::npos);

    std::string chosen = kRich;
    const std::string fn = "FN:Jörg Müller";
    chosen.replace(chosen.find(fn), fn.size(), "FN:Dr. J. M.");
    Texts chosenAfter = readBack(chosen);
    chosenAfter[Last] = "Meier";
    patched = patchCard(chosen, readBack(chosen), chosenAfter, "1");
    QVERIFY(patched.find("FN:Dr. J. M.\r\n") != std::string::npos);
}

void TstCarddavCards::merge_data() {
    QTest::addColumn<QStringList>("base");
    QTest::addColumn<QStringList>("local");
    QTest::addColumn<QStringList>("server");
    QTest::addColumn<QStringList>("merged");
    QTest::addColumn<int>("conflicts");
    QTest::addColumn<bool>("sendBack");
    // Fields: Ph1, Ph2, Comments.
    QTest::newRow("server only") << QStringList{"1", "2", ""} << QStringList{"1", "2", ""}
                                 << QStringList{"9", "2", ""} << QStringList{"9", "2", ""} << 0
                                 << false;
    QTest::newRow("each side one field")
        << QStringList{"1", "2", ""} << QStringList{"1", "8", ""} << QStringList{"9", "2", ""}
        << QStringList{"9", "8", ""} << 0 << true;
    QTest::newRow("same change both sides")
        << QStringList{"1", "2", ""} << QStringList{"7", "2", ""} << QStringList{"7", "2", ""}
        << QStringList{"7", "2", ""} << 0 << false;
    QTest::newRow("line ends only")
        << QStringList{"1", "2", "a\nb"} << QStringList{"1", "2", "a\r\nb"}
        << QStringList{"1", "2", "a\nb"} << QStringList{"1", "2", "a\nb"} << 0 << false;
    QTest::newRow("conflict keeps local in comments")
        << QStringList{"1", "2", "note"} << QStringList{"5", "2", "note"}
        << QStringList{"9", "2", "note"}
        << QStringList{"9", "2", "note\nPhone 1 on this computer before the server's change: 5"}
        << 1 << true;
    QTest::newRow("conflict on the note")
        << QStringList{"1", "2", "a"} << QStringList{"1", "2", "b\nc"} << QStringList{"1", "2", "s"}
        << QStringList{"1", "2", "s\nNote on this computer before the server's change: b / c"} << 1
        << true;
    // Comments part by part: the note, and each labelled line's property on its own.
    const QString sep = QStringLiteral("\n--- other fields ---\n");
    QTest::newRow("note here, organization there")
        << QStringList{"1", "2", "n" + sep + "Organization: Acme"}
        << QStringList{"1", "2", "n2" + sep + "Organization: Acme"}
        << QStringList{"1", "2", "n" + sep + "Organization: Beta"}
        << QStringList{"1", "2", "n2" + sep + "Organization: Beta"} << 0 << true;
    QTest::newRow("one property on both sides")
        << QStringList{"1", "2", "n" + sep + "Title: A\nOrganization: Acme"}
        << QStringList{"1", "2", "n" + sep + "Title: CFO\nOrganization: Acme"}
        << QStringList{"1", "2", "n" + sep + "Title: CEO\nOrganization: Beta"}
        << QStringList{"1", "2",
                       "n\nTitle on this computer before the server's change: CFO" + sep +
                           "Title: CEO\nOrganization: Beta"}
        << 1 << true;
    QTest::newRow("numbers added on both sides")
        << QStringList{"1", "2", sep.mid(1) + "Phone: 3"}
        << QStringList{"1", "2", sep.mid(1) + "Phone: 3\nPhone: 4"}
        << QStringList{"1", "2", sep.mid(1) + "Phone: 5\nPhone: 3"}
        << QStringList{"1", "2", sep.mid(1) + "Phone: 5\nPhone: 3\nPhone: 4"} << 0 << true;
    QTest::newRow("a field's conflict goes above the lines")
        << QStringList{"1", "2", "n" + sep + "Title: A"}
        << QStringList{"5", "2", "n" + sep + "Title: A"}
        << QStringList{"9", "2", "n" + sep + "Title: A"}
        << QStringList{"9", "2",
                       "n\nPhone 1 on this computer before the server's change: 5" + sep +
                           "Title: A"}
        << 1 << true;
}

void TstCarddavCards::merge() {
    QFETCH(QStringList, base);
    QFETCH(QStringList, local);
    QFETCH(QStringList, server);
    QFETCH(QStringList, merged);
    QFETCH(int, conflicts);
    QFETCH(bool, sendBack);
    const Texts start = texts({{Last, "Lee"}});
    Texts b = start, lo = start, s = start;
    const Field fields[] = {Ph1, Ph2, Comments};
    for (int i = 0; i < 3; ++i) {
        b[fields[i]] = base[i].toStdString();
        lo[fields[i]] = local[i].toStdString();
        s[fields[i]] = server[i].toStdString();
    }
    const Merged m = mergeTexts(b, lo, s);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(QString::fromStdString(normalised(m.texts[fields[i]])), merged[i]);
    QCOMPARE(m.conflicts, conflicts);
    QCOMPARE(m.sendBack, sendBack);
}

void TstCarddavCards::multistatusOfBothServers() {
    // As captured from each: Radicale's token before the responses, Xandikos's after them.
    const QByteArray radicale =
        "<?xml version='1.0' encoding='utf-8'?>\n<multistatus xmlns=\"DAV:\"><sync-token>"
        "http://radicale.org/ns/sync/3f88</sync-token><response><href>/test/book/rolvane-2.vcf"
        "</href><propstat><prop><getetag>\"63b8\"</getetag></prop><status>HTTP/1.1 200 OK</status>"
        "</propstat></response><response><href>/test/book/rolvane-1.vcf</href><status>HTTP/1.1 "
        "404 Not Found</status></response></multistatus>";
    const QByteArray xandikos =
        "<ns0:multistatus xmlns:ns0=\"DAV:\" xmlns:ns1=\"urn:ietf:params:xml:ns:carddav\">"
        "<ns0:response><ns0:href>/user/contacts/book/rolvane-1.vcf</ns0:href><ns0:propstat>"
        "<ns0:status>HTTP/1.1 200 OK</ns0:status><ns0:prop><ns0:getetag>\"19e7\"</ns0:getetag>"
        "<ns1:address-data>BEGIN:VCARD\nVERSION:3.0\nEND:VCARD\n</ns1:address-data></ns0:prop>"
        "</ns0:propstat><ns0:propstat><ns0:status>HTTP/1.1 404 Not Found</ns0:status><ns0:prop>"
        "<ns0:displayname/></ns0:prop></ns0:propstat></ns0:response><ns0:sync-token>9b0b"
        "</ns0:sync-token></ns0:multistatus>";
    std::optional<Multistatus> r = parseMultistatus(radicale);
    QVERIFY(r);
    QCOMPARE(r->syncToken, QStringLiteral("http://radicale.org/ns/sync/3f88"));
    QCOMPARE(r->responses.size(), std::size_t(2));
    QCOMPARE(r->responses[0].property(u"getetag")->text, QStringLiteral("\"63b8\""));
    QCOMPARE(r->responses[1].status, 404);
    std::optional<Multistatus> x = parseMultistatus(xandikos);
    QVERIFY(x);
    QCOMPARE(x->syncToken, QStringLiteral("9b0b"));
    QCOMPARE(x->responses[0].property(u"address-data")->text,
             QStringLiteral("BEGIN:VCARD\nVERSION:3.0\nEND:VCARD"));
    QVERIFY(!x->responses[0].property(u"displayname")); // answered 404
    QCOMPARE(davErrorName("<?xml version='1.0'?><error xmlns=\"DAV:\"><valid-sync-token />"
                          "</error>"),
             QStringLiteral("valid-sync-token"));
}

void TstCarddavCards::multistatusRefusesDtdAndOtherDocuments_data() {
    QTest::addColumn<QByteArray>("xml");
    QTest::newRow("billion laughs")
        << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                      "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><multistatus xmlns=\"DAV:\">&b;"
                      "</multistatus>");
    QTest::newRow("external entity")
        << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY x SYSTEM \"file:///etc/"
                      "passwd\">]><multistatus xmlns=\"DAV:\">&x;</multistatus>");
    QTest::newRow("web page") << QByteArray("<html><body>Radicale works!</body></html>");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut short") << QByteArray("<multistatus xmlns=\"DAV:\"><response><href>/a");
    QTest::newRow("other namespace") << QByteArray("<multistatus xmlns=\"urn:x\"/>");
}

void TstCarddavCards::multistatusRefusesDtdAndOtherDocuments() {
    QFETCH(QByteArray, xml);
    QString error;
    QVERIFY(!parseMultistatus(xml, &error));
    QVERIFY(!error.isEmpty());
}

void TstCarddavCards::serverAddresses_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("https") << "https://dav.example.org/" << true;
    QTest::newRow("http loopback") << "http://127.0.0.1:5232/" << true;
    QTest::newRow("http localhost") << "http://localhost:5232/" << true;
    QTest::newRow("http ipv6 loopback") << "http://[::1]:5232/" << true;
    QTest::newRow("http elsewhere") << "http://dav.example.org/" << false;
    QTest::newRow("http private address") << "http://192.168.1.2/" << false;
    QTest::newRow("user in url") << "https://ann@dav.example.org/" << false;
    QTest::newRow("password in url") << "https://ann:pw@dav.example.org/" << false;
    QTest::newRow("ftp") << "ftp://dav.example.org/" << false;
    QTest::newRow("no host") << "https:///x" << false;
}

void TstCarddavCards::serverAddresses() {
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    const QString why = checkServerUrl(QUrl(url));
    QCOMPARE(why.isEmpty(), allowed);
    QVERIFY(!why.contains(QStringLiteral("pw")));
}

void TstCarddavCards::hrefsStayOnTheOrigin() {
    const QUrl book(QStringLiteral("https://dav.example.org/u/book/"));
    QCOMPARE(resolveHref(book, QStringLiteral("/u/book/a.vcf"))->toString(),
             QStringLiteral("https://dav.example.org/u/book/a.vcf"));
    QCOMPARE(resolveHref(book, QStringLiteral("b.vcf"))->path(), QStringLiteral("/u/book/b.vcf"));
    QVERIFY(!resolveHref(book, QStringLiteral("https://evil.example/u/book/a.vcf")));
    QVERIFY(!resolveHref(book, QStringLiteral("http://dav.example.org/u/book/a.vcf")));
    QVERIFY(!resolveHref(book, QStringLiteral("https://dav.example.org:444/a.vcf")));
}

void TstCarddavCards::textsKeptInOneColumn() {
    Texts t = texts({{First, "a:b"}, {Comments, "12:x\n3:"}, {LastUpdate, ""}});
    t[Addy] = std::string("nul\0inside", 10);
    Texts back;
    QVERIFY(decodeTexts(encodeTexts(t), back));
    QVERIFY(back == t);
    for (const char* bad : {"", "3:ab", "x:", "99999999999999999999:a", "1:a1:b"})
        QVERIFY2(!decodeTexts(bad, back), bad);
}

QTEST_GUILESS_MAIN(TstCarddavCards)
#include "tst_carddav_cards.moc"
