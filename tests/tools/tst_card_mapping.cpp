// SPDX-License-Identifier: GPL-3.0-or-later
// The two-way mapping between a card's properties and the book's texts: a card read, written
// anew from its texts alone and read again shows the same; each labelled line, edited or
// removed, changes its own property and no other; text above the separator is only ever note.
#include "exchange/card_patch.h"
#include "exchange/card_texts.h"
#include "exchange/card_values.h"
#include "exchange/comment_lines.h"

#include <QDir>
#include <QTest>
#include <algorithm>

using namespace rolvane::exchange;

namespace {

CardTexts readOrFail(const std::string& card) {
    const std::optional<CardTexts> read = readCardTexts(card);
    return read.value_or(CardTexts{});
}

// The lines as shown, sorted: servers may reorder a card's properties.
QStringList shown(const std::vector<CardExtra>& lines) {
    QStringList out;
    for (const CardExtra& line : lines)
        out << QString::fromStdString(labelledLine(line));
    out.sort();
    return out;
}

QStringList fields(const Texts& t) {
    QStringList out;
    for (std::size_t f = 0; f < Comments; ++f)
        out << QString::fromStdString(t[f]);
    return out;
}

void addCardsOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    int i = 0, depth = 0;
    std::string card;
    for (const QByteArray& part : file.readAll().split('\n')) {
        card += part.toStdString() + '\n';
        const QByteArray word = part.trimmed().toUpper();
        depth += word == "BEGIN:VCARD" ? 1 : word == "END:VCARD" ? -1 : 0;
        if (depth == 0 && word == "END:VCARD")
            QTest::addRow("%s #%d", qPrintable(QFileInfo(path).fileName()), ++i)
                << QByteArray::fromStdString(std::exchange(card, {}));
        else if (depth == 0)
            card.clear();
    }
}

// Generated cards: one of each kind of property that has no field, in 3.0 and in 4.0.
const char* const kGenerated[] = {
    "N:Okafor;Ben;Chi;Dr.;Jr.\r\nFN:Dr. Ben Okafor\r\nTEL;TYPE=CELL:+1 555 0100\r\n"
    "TEL;TYPE=HOME:+1 555 0101\r\nTEL;TYPE=WORK:+1 555 0102\r\nTEL;TYPE=PAGER:+1 555 0103\r\n"
    "item1.TEL:+1 555 0104\r\nitem1.X-ABLabel:Boat\r\nEMAIL;TYPE=HOME:b@example.org\r\n"
    "EMAIL;TYPE=WORK:ben@work.example\r\nADR;TYPE=HOME:;;1 Elm St;Springfield;IL;62701;USA\r\n"
    "ADR;TYPE=WORK:;;2 Oak Rd\\nSuite 4;London;;SW1A 2AA;UK\r\nORG:Acme (UK): Ltd;Sales\r\n"
    "TITLE:Head: of (things)\r\nNICKNAME:Benny\r\nBDAY:1980-02-29\r\n"
    "URL;TYPE=WORK:https://example.org/a:b\r\nCATEGORIES:Family,Friends\r\n"
    "X-SOCIALPROFILE;TYPE=twitter:https://twitter.com/ben\r\n"
    "X-PHONETIC-FIRST-NAME:ben\r\nX-PHONETIC-LAST-NAME:okafor\r\n"
    "item2.X-ABRELATEDNAMES:Ada Okafor\r\nitem2.X-ABLabel:_$!<Spouse>!$_\r\n"
    "item3.X-ABRELATEDNAMES:Kim\r\nitem3.X-ABLabel:God (mother)\r\n"
    "item4.X-ABDATE:2010-06-01\r\nitem4.X-ABLabel:_$!<Anniversary>!$_\r\n"
    "NOTE:Birthday: buy a gift\r\n",
    "N:;;;;\r\nFN:Acme Plumbing Ltd\r\nORG:Acme Plumbing Ltd\r\nX-ABShowAs:COMPANY\r\n"
    "TEL;TYPE=WORK:+44 20 7946 0000\r\n",
    "N:Bloggs;Jo;;;\r\nFN:Bäckerei Schmidt GmbH & Co. KG\r\nORG:Bäckerei Schmidt GmbH & Co. KG\r\n"
    "X-ABShowAs:COMPANY\r\n",
    "FN:Ferro\r\nTEL:+39 06 1234\r\n",
    "N:Okafor;Ada;;;\r\nX-ANDROID-CUSTOM:vnd.android.cursor.item/relation;Ben "
    "Okafor;14;;;;;;;;;;;;;\r\n",
    // Street lines above a postcode and city with no country, as parts and as the whole.
    "N:Roux;Lea;;;\r\nADR;TYPE=HOME:;;1 Rue X\\nApt 2;Paris;;75001;\r\n",
    "N:Roux;Lea;;;\r\nADR:;;1 Rue X\\nApt 2\\n75001 Paris;;;;\r\n",
};

std::string generated(const char* body, bool v4) {
    return std::string("BEGIN:VCARD\r\nVERSION:") + (v4 ? "4.0" : "3.0") + "\r\nUID:g\r\n" + body +
           "END:VCARD\r\n";
}

} // namespace

class TstCardMapping : public QObject {
    Q_OBJECT
private slots:
    void cardToTextsToCardKeepsEveryProperty_data();
    void cardToTextsToCardKeepsEveryProperty();
    void addressToNewCardAndBack_data();
    void addressToNewCardAndBack();
    void eachLabelledLineChangesItsOwnProperty_data();
    void eachLabelledLineChangesItsOwnProperty();
    void textAboveTheSeparatorStaysNote_data();
    void textAboveTheSeparatorStaysNote();
    void companies_data();
    void companies();
    void telUris_data();
    void telUris();
    void numbersAndGroupsOnTheCard();
};

void TstCardMapping::cardToTextsToCardKeepsEveryProperty_data() {
    QTest::addColumn<QByteArray>("card");
    const QDir fixtures(QStringLiteral(ROLVANE_FIXTURES "/vcard"));
    for (const QString& name : fixtures.entryList({QStringLiteral("*.vcf")}, QDir::Files))
        addCardsOf(fixtures.filePath(name));
    for (const char* name : {"apple_google_v30.vcf", "phone_export_v21.vcf"})
        addCardsOf(QStringLiteral(ROLVANE_TOOL_CONTACTS "/") + QLatin1String(name));
    int i = 0;
    for (const char* body : kGenerated)
        for (bool v4 : {false, true})
            QTest::addRow("generated %d %s", i++, v4 ? "4.0" : "3.0")
                << QByteArray::fromStdString(generated(body, v4));
}

void TstCardMapping::cardToTextsToCardKeepsEveryProperty() {
    QFETCH(QByteArray, card);
    const CardTexts read = readOrFail(card.toStdString());
    for (bool v4 : {false, true}) {
        const std::string rebuilt = newCard(read.texts, "u", v4, "1");
        const CardTexts again = readOrFail(rebuilt);
        QCOMPARE(fields(again.texts), fields(read.texts));
        QCOMPARE(QString::fromStdString(again.note), QString::fromStdString(read.note));
        QVERIFY2(shown(again.lines) == shown(read.lines), rebuilt.c_str());
        // Sent again unchanged, the card is left as it is.
        QCOMPARE(patchCard(rebuilt, again.texts, again.texts, "2"), rebuilt);
    }
}

void TstCardMapping::addressToNewCardAndBack_data() {
    QTest::addColumn<QString>("address");
    QTest::newRow("street lines, postcode and city") << "1 Rue X\nApt 2\n75001 Paris";
    QTest::newRow("CR LF before the postcode") << "1 Rue X\nApt 2\r\n75001 Paris";
    QTest::newRow("CR LF throughout") << "1 Rue X\r\nApt 2\r\n75001 Paris\r\nFrance";
    QTest::newRow("lone CR") << "1 Elm St\rSpringfield, IL 62701\rUSA";
    QTest::newRow("UK lines") << "2 Oak Rd\nSuite 4\nLondon\nSW1A 2AA\nUK";
    QTest::newRow("no reading fits") << "Flat 2\r\nLeeds";
}

// A contact typed here, sent as a new card built from its texts alone and read back, keeps its
// Address, line ends aside.
void TstCardMapping::addressToNewCardAndBack() {
    QFETCH(QString, address);
    Texts texts;
    texts[Last] = "Roux";
    texts[Addy] = address.toStdString();
    for (bool v4 : {false, true}) {
        const std::string card = newCard(texts, "u", v4, "1");
        QCOMPARE(QString::fromStdString(readOrFail(card).texts[Addy]),
                 QString::fromStdString(normalised(texts[Addy])));
    }
}

void TstCardMapping::eachLabelledLineChangesItsOwnProperty_data() {
    QTest::addColumn<QByteArray>("card");
    QTest::addColumn<int>("line");
    QTest::addColumn<bool>("remove");
    for (bool v4 : {false, true}) {
        const std::string card = generated(kGenerated[0], v4);
        const std::size_t count = readOrFail(card).lines.size();
        for (std::size_t i = 0; i < count; ++i)
            for (bool remove : {false, true})
                QTest::addRow("%s line %zu %s", v4 ? "4.0" : "3.0", i,
                              remove ? "removed" : "edited")
                    << QByteArray::fromStdString(card) << int(i) << remove;
    }
}

void TstCardMapping::eachLabelledLineChangesItsOwnProperty() {
    QFETCH(QByteArray, card);
    QFETCH(int, line);
    QFETCH(bool, remove);
    const CardTexts read = readOrFail(card.toStdString());
    std::vector<CardExtra> lines = read.lines;
    CardExtra& target = lines[std::size_t(line)];
    const bool address = target.name == "Address";
    const bool date = target.name == "Birthday" || target.name == "Date";
    target.value = address ? "9 New Rd\nShelbyville, IL 62565\nUSA"
                   : date  ? "1999-12-31"
                           : "Changed (x): 1";
    if (remove)
        lines.erase(lines.begin() + line);
    Texts after = read.texts;
    after[Comments] = joinComments(read.note, lines);
    const std::string patched = patchCard(card.toStdString(), read.texts, after, "2");
    const CardTexts back = readOrFail(patched);
    QCOMPARE(fields(back.texts), fields(after));
    QCOMPARE(QString::fromStdString(back.note), QString::fromStdString(read.note));
    QCOMPARE(shown(back.lines), shown(lines));
    if (address && !remove)
        QVERIFY2(patched.find(";;9 New Rd;Shelbyville;IL;62565;USA") != std::string::npos,
                 patched.c_str());
}

void TstCardMapping::textAboveTheSeparatorStaysNote_data() {
    QTest::addColumn<QString>("comments");
    QTest::addColumn<QString>("note"); // what the card's NOTE holds
    QTest::addColumn<QStringList>("lines");
    const QString sep = QString::fromUtf8(rolvane::exchange::kCardSeparator.data());
    QTest::newRow("labels in the note") << "Birthday: buy a gift\nTitle: CFO"
                                        << "Birthday: buy a gift\nTitle: CFO" << QStringList{};
    QTest::newRow("below the separator") << "Birthday: buy a gift\n" + sep + "\nTitle: CFO"
                                         << "Birthday: buy a gift" << QStringList{"Title: CFO"};
    QTest::newRow("unknown label stays note")
        << "n\n" + sep + "\nShoe size: 44\nE-mail (work): a@b.example"
        << "n\nShoe size: 44" << QStringList{"E-mail (work): a@b.example"};
    QTest::newRow("parentheses and colons")
        << sep + "\nPhone (Boat \\(aft\\)): +1 (555) 0100\nTitle: Head: of (things)"
        << "" << QStringList{"Phone (Boat \\(aft\\)): +1 (555) 0100", "Title: Head: of (things)"};
    QTest::newRow("a value of several lines")
        << sep + "\nAddress (work): 2 Oak Rd\n  London\n  SW1A 2AA\n  UK"
        << "" << QStringList{"Address (work): 2 Oak Rd\n  London\n  SW1A 2AA\n  UK"};
    // A date that is none, or a number without a digit, goes out in the note; the dates
    // cards write do not.
    QTest::newRow("values that do not fit")
        << "n\n" + sep +
               "\nBirthday: next week\nPhone (Boat): ahoy\nDate (visit): 2010-13-01\n"
               "Anniversary: --0229"
        << "n\nBirthday: next week\nPhone (Boat): ahoy\nDate (visit): 2010-13-01"
        << QStringList{"Anniversary: --0229"};
    QTest::newRow("values that fit")
        << sep + "\nBirthday: 19800229\nDate (visit): 2009-08-08T14:30-05:00\n"
                 "Phone (Boat): 1-800-FLOWERS\nAnniversary: 1980"
        << ""
        << QStringList{"Birthday: 19800229", "Date (visit): 2009-08-08T14:30-05:00",
                       "Phone (Boat): 1-800-FLOWERS", "Anniversary: 1980"};
}

void TstCardMapping::textAboveTheSeparatorStaysNote() {
    QFETCH(QString, comments);
    QFETCH(QString, note);
    QFETCH(QStringList, lines);
    Texts t;
    t[Last] = "Lee";
    t[Ph1] = t[Ph2] = t[Ph3] = "1"; // filled: no labelled number or address moves into a field
    t[Email] = "e@example.org";
    t[Addy] = "Here";
    t[Comments] = comments.toStdString();
    const CardTexts back = readOrFail(newCard(t, "u", false, "1"));
    QCOMPARE(QString::fromStdString(back.note), note);
    QStringList expected = lines;
    expected.sort();
    QCOMPARE(shown(back.lines), expected);
}

void TstCardMapping::companies_data() {
    QTest::addColumn<int>("card");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<bool>("company");
    QTest::newRow("no personal name") << 1 << ""
                                      << "Acme Plumbing Ltd" << true;
    QTest::newRow("contact person kept") << 2 << ""
                                         << "Bäckerei Schmidt GmbH & Co. KG" << true;
    QTest::newRow("one name, a person") << 3 << ""
                                        << "Ferro" << false;
}

void TstCardMapping::companies() {
    QFETCH(int, card);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(bool, company);
    for (bool v4 : {false, true}) {
        const CardTexts read = readOrFail(generated(kGenerated[card], v4));
        QCOMPARE(QString::fromStdString(read.texts[First]), first);
        QCOMPARE(QString::fromStdString(read.texts[Last]), last);
        QCOMPARE(shown(read.lines).contains("Company: yes"), company);
        const std::string out = newCard(read.texts, "u", v4, "1");
        QCOMPARE(out.find(v4 ? "KIND:org" : "X-ABShowAs:COMPANY") != std::string::npos, company);
        QCOMPARE(out.find("ORG:") != std::string::npos, company);
    }
    const CardTexts withPerson = readOrFail(generated(kGenerated[2], false));
    QVERIFY(shown(withPerson.lines).contains("Contact person: Jo Bloggs"));
}

void TstCardMapping::telUris_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("uri");
    QTest::newRow("blanks") << "+46 70 999 0000"
                            << "tel:+46-70-999-0000";
    QTest::newRow("separators") << "+1 (555) 010.1234"
                                << "tel:+1-555-010-1234";
    QTest::newRow("extension") << "+46 8 123 ext. 23"
                               << "tel:+46-8-123;ext=23";
    QTest::newRow("ext parameter") << "+46-8-123;ext=23"
                                   << "tel:+46-8-123;ext=23";
    QTest::newRow("local number") << "070 999 0000"
                                  << "";
    QTest::newRow("letters") << "+1 800 FLOWERS"
                             << "";
}

void TstCardMapping::telUris() {
    QFETCH(QString, number);
    QFETCH(QString, uri);
    QCOMPARE(QString::fromStdString(telUri(number.toStdString())), uri);
}

void TstCardMapping::numbersAndGroupsOnTheCard() {
    const std::string card = "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Lee;Ann;;;\r\n"
                             "TEL;VALUE=uri;TYPE=cell:tel:+46-70-123-4567\r\n"
                             "item1.TEL:+1 555 0104\r\nitem1.X-ABLabel:Boat\r\nEND:VCARD\r\n";
    const Texts before = readOrFail(card).texts;
    QCOMPARE(before[Ph1], std::string("+46-70-123-4567"));
    QCOMPARE(before[Ph2], std::string("+1 555 0104"));
    const std::pair<std::string, std::string> edits[] = {
        {"+46 70 999 0000 x23", "TEL;VALUE=uri;TYPE=cell:tel:+46-70-999-0000;ext=23\r\n"},
        {"070 999 0000", "TEL;VALUE=text;TYPE=cell:070 999 0000\r\n"}};
    for (const auto& [number, written] : edits) {
        Texts after = before;
        after[Ph1] = number;
        const std::string patched = patchCard(card, before, after, "1");
        QVERIFY2(patched.find(written) != std::string::npos, patched.c_str());
    }
    Texts cleared = before;
    cleared[Ph2].clear();
    const std::string patched = patchCard(card, before, cleared, "1");
    QVERIFY2(patched.find("item1") == std::string::npos, patched.c_str());
}

QTEST_GUILESS_MAIN(TstCardMapping)
#include "tst_card_mapping.moc"
