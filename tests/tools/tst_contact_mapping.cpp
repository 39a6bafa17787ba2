// SPDX-License-Identifier: GPL-3.0-or-later
// The one mapping from a card to the eleven columns: which number, address and name land where,
// and that whatever finds no column is kept in Comments.
#include "exchange/contact_mapping.h"

#include <QTest>

using namespace rolvane::exchange;
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
    void phones_data();
    void phones();
    void names_data();
    void names();
    void preferredEmailAndAddress();
    void ownColumnsTakenAsTheyAre();
    void emptyCardHoldsNothing();
};

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
        << strings({"5", "1", "2", "<null>", "<null>", "Phone: 3\nPhone (pager): 4"});
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
                            << "" << strings({"Jo", "Doe", "Full name: Dr. Jo Doe"});
    QTest::newRow("FN split at its last word")
        << ""
        << ""
        << "Mary Ann van Dyke "
        << "ACME" << strings({"Mary Ann van", "Dyke", "Organization: ACME"});
    QTest::newRow("one word is a last name") << ""
                                             << ""
                                             << "Cher"
                                             << "" << strings({"<null>", "Cher", "<null>"});
    QTest::newRow("ORG when nothing else")
        << ""
        << ""
        << ""
        << "ACME Ltd" << strings({"<null>", "ACME Ltd", "<null>"});
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
    QCOMPARE(text(c.addy), QStringLiteral("9 Mill Rd\nLS1 Leeds\nUK"));
    QCOMPARE(text(c.comments), QStringLiteral("met at the fair\nE-mail (home): a@x\n"
                                              "Address (home): 1 Main St, Flat 2, LS1 Leeds, UK"));
    QCOMPARE(text(c.lastUpdate), QStringLiteral("kept"));
    QCOMPARE(stampFromRevision("2024-03-14T10:00:00Z"),
             QLocale::system().toString(QDate(2024, 3, 14), QLocale::ShortFormat).toStdString());
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
#include "tst_contact_mapping.moc"
