// SPDX-License-Identifier: GPL-3.0-or-later
// The one mapping from a card to the eleven columns: which number, address and name land where,
// and that whatever finds no column is kept in Comments.
#include "exchange/card_patch.h"
#include "exchange/contact_mapping.h"
#include "exchange/csv_writer.h"
#include "exchange/vcard_writer.h"
#include "exchange_harness.h"

#include <QTest>

using namespace rolvane::exchange;
using rolvane::test::readBytes;
using rolvane::test::Reader;
using rolvane::test::ReadOutcome;
using rolvane::tool::Contact;

namespace {

CardValue value(const char* v, std::vector<std::string> types = {}, bool preferred = false) {
    CardValue c;
    c.value = v;
    c.types = std::move(types);
    c.preferred = preferred;
    return c;
}

QStringList strings(std::initializer_list<const char*> items) {
    QStringList out;
    for (const char* item : items)
        out << QString::fromUtf8(item);
    return out;
}

QString text(const std::optional<std::string>& column) {
    return column ? QString::fromStdString(*column) : QStringLiteral("<null>");
}

} // namespace

class TstContactMapping : public QObject {
    Q_OBJECT
private slots:
    void writeThenReadKeepsEveryText_data();
    void writeThenReadKeepsEveryText();
    void addressesInTheirCountrysOrder_data();
    void addressesInTheirCountrysOrder();
    void phones_data();
    void phones();
    void names_data();
    void names();
    void preferredEmailAndAddress();
    void ownColumnsTakenAsTheyAre();
    void emptyCardHoldsNothing();
    void plainCardsAsTheMappingWritesThem();
};

void TstContactMapping::writeThenReadKeepsEveryText_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("expected"); // empty: the texts themselves

    // Each escape, and each multi-byte character, lands on every position of a 75-byte fold.
    QStringList escapes, scripts;
    for (int k = 0; k <= 80; ++k) {
        const QString a(k, QLatin1Char('a'));
        escapes << a + QLatin1String("\nbbb") << a + QLatin1String(",yy")
                << a + QLatin1String("\\z;") << a + QLatin1String(";\\");
        scripts << a + QString::fromUtf8("田中 Ωμέγα עברית Müller 😀 ").repeated(3);
    }
    const QString sep = QStringLiteral("--- other fields ---\n");
    const QStringList labelled = {
        "Met at the fair\nBirthday: buy a gift\n" + sep +
            "Title: CFO\nBirthday: 1990-05-01\nCategories: Family,Friends",
        sep + "Phone (Boat): +1 555 0104\nE-mail (work): a@b.example\nAddress (work): 2 Oak Rd\n"
              "  London\n  SW1A 2AA\n  UK\nSpouse: Ada Okafor",
        sep + "Birthday: 1990-05-01\nTitle: CFO"};
    const QStringList crlf = {"one\r\ntwo", "\r\n", "a\r\n\r\nb"};
    const QStringList formulas = {"=HYPERLINK(\"http://x.example/?\"&A1)",
                                  "+49 30 1234",
                                  "-5",
                                  "@SUM(A1)",
                                  "\tx",
                                  "\rx",
                                  "'s-Hertogenbosch",
                                  "''",
                                  "'"};
    for (const char* format : {"vcf", "csv"}) {
        const QString f = QLatin1String(format);
        QTest::addRow("%s escapes at every fold, comments", format)
            << f << 9 << escapes << QStringList();
        QTest::addRow("%s escapes at every fold, address", format)
            << f << 8 << escapes << QStringList();
        QTest::addRow("%s scripts at every fold", format) << f << 9 << scripts << QStringList();
        QTest::addRow("%s tel: as text", format)
            << f << 2 << QStringList{"tel:555", "tel:+1 555"} << QStringList();
        QTest::addRow("%s mailto: as text", format)
            << f << 5 << QStringList{"mailto:a@b.example"} << QStringList();
        QStringList formulasBack = formulas;
        if (f == QLatin1String("vcf"))
            formulasBack.replaceInStrings(QStringLiteral("\r"), QStringLiteral("\n"));
        QTest::addRow("%s formulas", format) << f << 0 << formulas << formulasBack;
        // Labelled lines go out as their properties and come back in the mapping's own order.
        QStringList labelledBack = labelled;
        if (f == QLatin1String("vcf")) {
            // A number, e-mail or address whose field is empty comes back in that field.
            labelledBack[1] = sep + QLatin1String("Spouse: Ada Okafor");
            labelledBack[2] = sep + QLatin1String("Title: CFO\nBirthday: 1990-05-01");
        }
        QTest::addRow("%s labelled lines", format) << f << 9 << labelled << labelledBack;
    }
    // vCard has no escape for CR: a line end comes back as LF (the README says so).
    QTest::newRow("csv CR LF") << "csv" << 9 << crlf << QStringList();
    QTest::newRow("vcf CR LF") << "vcf" << 9 << crlf << QStringList{"one\ntwo", "\n", "a\n\nb"};
}

void TstContactMapping::writeThenReadKeepsEveryText() {
    QFETCH(QString, format);
    QFETCH(int, column);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, expected);
    if (expected.isEmpty())
        expected = texts;
    const bool vcard = format == QLatin1String("vcf");
    std::string file;
    if (!vcard)
        appendCsvHeader(file);
    std::vector<std::string> kept(std::size_t(texts.size()));
    for (int i = 0; i < texts.size(); ++i) {
        RowView row;
        kept[std::size_t(i)] = texts[i].toStdString();
        row[std::size_t(column)] = kept[std::size_t(i)];
        row[1] = "Last"; // a contact with a name, as the book holds them
        vcard ? appendVCard(row, file) : appendCsvRow(row, file);
    }
    const ReadOutcome out =
        readBytes(QByteArray::fromStdString(file), vcard ? Reader::VCard : Reader::Csv);
    QVERIFY2(out.error.isEmpty(), qPrintable(out.error));
    QCOMPARE(out.contacts.size(), std::size_t(texts.size()));
    const QString name = QLatin1String(rolvane::kColumnNames[std::size_t(column)].data());
    for (int i = 0; i < texts.size(); ++i)
        QCOMPARE(rolvane::test::column(out.contacts[std::size_t(i)], name), expected[i]);
    if (vcard) {
        for (const QByteArray& line : QByteArray::fromStdString(file).split('\n'))
            QVERIFY2(line.size() <= 76, line.constData()); // 75 bytes and the CR
        QVERIFY2(file.find("other fields") == std::string::npos, file.c_str()); // NOTE: note alone
    } else if (QByteArray(QTest::currentDataTag()).endsWith("formulas")) {
        // No cell of the file starts a formula: each such text went out behind a quote.
        for (const char* live : {",=", ",+", ",-", ",@", "\n=", "\n+", "\n-", "\n@"})
            QVERIFY2(file.find(live) == std::string::npos, live);
    }
}

void TstContactMapping::addressesInTheirCountrysOrder_data() {
    QTest::addColumn<QStringList>("parts"); // street, city, region, postcode, country
    QTest::addColumn<QString>("lines");
    QTest::newRow("US") << strings({"1 Pike St", "Seattle", "WA", "98122", "USA"})
                        << "1 Pike St\nSeattle, WA 98122\nUSA";
    QTest::newRow("US, no region")
        << strings({"", "Seattle", "", "98122", "U.S.A."}) << "Seattle, 98122\nU.S.A.";
    QTest::newRow("Canada, no postcode")
        << strings({"", "Ottawa", "ON", "", "Canada"}) << "Ottawa, ON\nCanada";
    QTest::newRow("Australia, no city")
        << strings({"", "", "NSW", "2000", "Australia"}) << "NSW 2000\nAustralia";
    QTest::newRow("UK") << strings({"9 Mill Rd", "Leeds", "", "LS1 4AP", "United Kingdom"})
                        << "9 Mill Rd\nLeeds\nLS1 4AP\nUnited Kingdom";
    QTest::newRow("Germany") << strings({"Hauptstr. 1", "Berlin", "", "10115", "Deutschland"})
                             << "Hauptstr. 1\n10115 Berlin\nDeutschland";
    QTest::newRow("no country, no postcode")
        << strings({"1 Rue", "Paris", "IDF", "", ""}) << "1 Rue\nParis\nIDF";
}

void TstContactMapping::addressesInTheirCountrysOrder() {
    QFETCH(QStringList, parts);
    QFETCH(QString, lines);
    CardAddress a;
    a.street = parts[0].toStdString();
    a.city = parts[1].toStdString();
    a.region = parts[2].toStdString();
    a.postalCode = parts[3].toStdString();
    a.country = parts[4].toStdString();
    QCOMPARE(QString::fromStdString(a.lines()), lines);
}

void TstContactMapping::phones_data() {
    QTest::addColumn<std::vector<CardValue>>("phones");
    QTest::addColumn<QStringList>("expected"); // Ph1, Ph2, Ph3, Bus, Fax, Comments

    QTest::newRow("work voice to Bus, fax to Fax, the rest in order")
        << std::vector<CardValue>{value("1", {"home"}), value("2", {"work", "voice"}),
                                  value("3", {"fax", "home"}), value("4", {"cell"})}
        << strings({"1", "4", "<null>", "2", "3", "<null>"});
    QTest::newRow("work fax before home fax; the second work number is an other")
        << std::vector<CardValue>{value("1", {"home", "fax"}), value("2", {"work", "fax"}),
                                  value("3", {"work"}), value("4", {"work"})}
        << strings({"1", "4", "<null>", "3", "2", "<null>"});
    QTest::newRow("preferred first, overflow labelled in Comments")
        << std::vector<CardValue>{value("1"), value("2", {"cell"}), value("3"),
                                  value("4", {"pager"}), value("5", {"cell"}, true)}
        << strings({"5", "1", "2", "<null>", "<null>",
                    "--- other fields ---\nPhone: 3\nPhone (pager): 4"});
    QTest::newRow("a work pager is not Bus")
        << std::vector<CardValue>{value("1", {"work", "pager"})}
        << strings({"1", "<null>", "<null>", "<null>", "<null>", "<null>"});
}

void TstContactMapping::phones() {
    QFETCH(std::vector<CardValue>, phones);
    QFETCH(QStringList, expected);
    Card card;
    card.phones = phones;
    Contact c;
    QVERIFY(toContact(card, c));
    QCOMPARE((QStringList{text(c.ph1), text(c.ph2), text(c.ph3), text(c.bus), text(c.fax),
                          text(c.comments)}),
             expected);
}

void TstContactMapping::names_data() {
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("formatted");
    QTest::addColumn<QString>("organization");
    QTest::addColumn<QStringList>("expected"); // First, Last, Comments

    QTest::newRow("N wins") << "Jo"
                            << "Doe"
                            << "Dr. Jo Doe"
                            << ""
                            << strings(
                                   {"Jo", "Doe", "--- other fields ---\nFull name: Dr. Jo Doe"});
    QTest::newRow("FN split at its last word")
        << ""
        << ""
        << "Mary Ann van Dyke "
        << "ACME" << strings({"Mary Ann van", "Dyke", "--- other fields ---\nOrganization: ACME"});
    QTest::newRow("one word is a last name") << ""
                                             << ""
                                             << "Cher"
                                             << "" << strings({"<null>", "Cher", "<null>"});
    QTest::newRow("ORG when nothing else")
        << ""
        << ""
        << ""
        << "ACME Ltd" << strings({"<null>", "ACME Ltd", "--- other fields ---\nCompany: yes"});
}

void TstContactMapping::names() {
    QFETCH(QString, given);
    QFETCH(QString, family);
    QFETCH(QString, formatted);
    QFETCH(QString, organization);
    QFETCH(QStringList, expected);
    Card card;
    card.given = given.toStdString();
    card.family = family.toStdString();
    card.hasName = !given.isEmpty() || !family.isEmpty();
    card.formatted = formatted.toStdString();
    card.organization = organization.toStdString();
    Contact c;
    QVERIFY(toContact(card, c));
    QCOMPARE((QStringList{text(c.firstName), text(c.lastName), text(c.comments)}), expected);
}

void TstContactMapping::preferredEmailAndAddress() {
    Card card;
    card.note = "met at the fair";
    card.emails = {value("a@x", {"home"}), value("b@x", {"work"}, true)};
    CardAddress home;
    home.street = "1 Main St\nFlat 2";
    home.city = "Leeds";
    home.postalCode = "LS1";
    home.country = "UK";
    home.types = {"home"};
    CardAddress work = home;
    work.street = "9 Mill Rd";
    work.types = {"work"};
    work.preferred = true;
    card.addresses = {home, work};
    card.revision = "20240314";
    card.lastUpdate = "kept";
    Contact c;
    QVERIFY(toContact(card, c));
    QCOMPARE(text(c.email), QStringLiteral("b@x"));
    QCOMPARE(text(c.addy), QStringLiteral("9 Mill Rd\nLeeds\nLS1\nUK"));
    QCOMPARE(text(c.comments),
             QStringLiteral("met at the fair\n--- other fields ---\nE-mail (home): a@x\n"
                            "Address (home): 1 Main St\n  Flat 2\n  Leeds\n  LS1\n  UK"));
    QCOMPARE(text(c.lastUpdate), QStringLiteral("kept"));
    QCOMPARE(stampFromRevision("2024-02-30"), std::string());
    QCOMPARE(stampFromRevision("yesterday"), std::string());
}

void TstContactMapping::ownColumnsTakenAsTheyAre() {
    Card card;
    card.given = "ignored";
    card.hasName = true;
    std::array<std::string, 11> columns;
    columns[1] = "Doe";
    columns[8] = "a\nb";
    card.columns = columns;
    Contact c;
    QVERIFY(toContact(card, c));
    QCOMPARE(text(c.firstName), QStringLiteral("<null>"));
    QCOMPARE(text(c.lastName), QStringLiteral("Doe"));
    QCOMPARE(text(c.addy), QStringLiteral("a\nb"));
}

void TstContactMapping::emptyCardHoldsNothing() {
    Contact c;
    QVERIFY(!toContact(Card(), c));
    Card onlyMail;
    onlyMail.emails = {value("x@y")};
    QVERIFY(toContact(onlyMail, c));
    QCOMPARE(text(c.email), QStringLiteral("x@y"));
}

QTEST_GUILESS_MAIN(TstContactMapping)
// A contact with no labelled lines is exported without building a card to patch: the bytes
// must be those the mapping writes.
void TstContactMapping::plainCardsAsTheMappingWritesThem() {
    using rolvane::exchange::Texts;
    const std::vector<Texts> contacts = {
        {},
        {"Ann", "", "", "", "", "", "", "", "", "", "1 Jan 2020"},
        {"", "Lee", "555", "", "556", "a@b.example", "5 Bus", "7 Fax", "", "", ""},
        {"Ann;", "O'Lee,", "", "", "", "", "", "", "2 Oak Rd\nSpringfield, IL 62701\nUSA",
         "note\r\nline two\r\n", "x"},
        {"Ann", "Lee", "", "", "", "", "", "", "12 Rue X\r\n75001 Paris\r\nFrance", "\n", ""},
        {"", "", "", "", "", "", "", "", "no digits\nat all", std::string(200, 'n'), ""},
    };
    for (const Texts& t : contacts) {
        rolvane::exchange::RowView row;
        for (std::size_t i = 0; i < t.size(); ++i)
            row[i] = t[i];
        std::string plain;
        appendVCard(row, plain);
        QCOMPARE(QString::fromStdString(plain),
                 QString::fromStdString(rolvane::exchange::exportCard(t)));
    }
}

#include "tst_contact_mapping.moc"
