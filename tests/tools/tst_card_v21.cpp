// SPDX-License-Identifier: GPL-3.0-or-later
// Patching vCard 2.1 cards, which have their own escapes, quoted-printable and character sets:
// what is sent must read back as exactly the texts sent, however often it is patched.
#include "exchange/card_lines.h"
#include "exchange/card_patch.h"
#include "exchange/card_texts.h"
#include "exchange/comment_lines.h"

#include <QDir>
#include <QTest>
#include <algorithm>
#include <utility>

using namespace rolvane::exchange;

namespace {

const char* const kQuoted =
    "BEGIN:VCARD\r\n"
    "VERSION:2.1\r\n"
    "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:M=C3=BCller;J=C3=B6rg;;;\r\n"
    "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:J=C3=B6rg M=C3=BCller\r\n"
    "TEL;CELL;PREF:+49 170 1\r\n"
    "EMAIL;PREF;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:j=C3=B6rg@example.org\r\n"
    "ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;Hauptstr. 1=0D=0A10115 Berlin;;;;\r\n"
    "NOTE;ENCODING=QUOTED-PRINTABLE:Gate=3D4=0D=0A=\r\n"
    "Ring twice\r\n"
    "X-FOO;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=91=20=C3=91=20=C3=91=20=C3=91=20=\r\n"
    "=C3=91\r\n"
    "PHOTO;ENCODING=BASE64;JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD\r\n"
    " /2wBDAAgGBgcGBQgHBwcJCQgKDA\r\n"
    "\r\n"
    "END:VCARD\r\n";

const char* const kPlain = "BEGIN:VCARD\r\n"
                           "VERSION:2.1\r\n"
                           "N;LANGUAGE=en-us:Lee;Ann;;Ms.;\r\n"
                           "FN:Ann Lee\r\n"
                           "TEL;WORK;VOICE:(111) 555-1111\r\n"
                           "EMAIL;PREF;INTERNET:ann@example.org\r\n"
                           "ADR;WORK;PREF:;;1 Main St;Springfield;;12345;USA\r\n"
                           "LABEL;WORK;PREF;ENCODING=QUOTED-PRINTABLE:1 Main St=0D=0A=\r\n"
                           "Springfield 12345\r\n"
                           "NOTE:Plain note\r\n"
                           "ADR;HOME:;;Hermann v. Brevern\\\r\n"
                           "Packstation 999;Hamburg;;99999;Deutschland\r\n"
                           "REV:20120801T184631Z\r\n"
                           "END:VCARD\r\n";

// 安藤ロイド in Shift_JIS, as a Japanese phone writes it, and its reading.
const char* const kShiftJis =
    "BEGIN:VCARD\r\n"
    "VERSION:2.1\r\n"
    "N;CHARSET=SHIFT_JIS:\x88\xc0\x93\xa1\x83\x8d\x83\x43\x83\x68;;;;\r\n"
    "SOUND;X-IRMC-N;CHARSET=SHIFT_JIS:\xb1\xdd\xc4\xde\xb3\xdb\xb2\xc4\xde;;;;\r\n"
    "TEL;PREF;VOICE:0300000000\r\n"
    "END:VCARD\r\n";

Texts readBack(const std::string& card) {
    const std::optional<CardTexts> read = readCardTexts(card);
    return read ? read->texts : Texts{};
}

// The properties a field is written to; REV changes with any field.
bool writes(int field, const std::string& name) {
    if (name == "REV")
        return true;
    switch (field) {
    case First:
    case Last:
        return name == "N" || name == "FN";
    case Email:
        return name == "EMAIL";
    case Addy:
        return name == "ADR";
    case Comments:
        return name == "NOTE";
    default:
        return name == "TEL";
    }
}

// Every line of `base` that no changed field writes is in `patched` byte for byte.
void verifyUntouched(const std::string& base, const std::string& patched,
                     const std::vector<int>& fields) {
    for (const CardLine& line : splitCardLines(base)) {
        if (std::any_of(fields.begin(), fields.end(), [&](int f) { return writes(f, line.name); }))
            continue;
        QVERIFY2(!line.raw.empty(), line.text.c_str());
        QVERIFY2(patched.find(line.raw) != std::string::npos, line.raw.c_str());
    }
}

// The top-level cards of a file, nested ones left inside their parent.
std::vector<std::string> cardsOf(const QByteArray& file) {
    std::vector<std::string> cards;
    std::string card;
    int depth = 0;
    for (const QByteArray& line : file.split('\n')) {
        if (line.isEmpty() && card.empty())
            continue;
        card += line.toStdString() + '\n';
        const QByteArray word = line.trimmed().toUpper();
        depth += word == "BEGIN:VCARD" ? 1 : word == "END:VCARD" ? -1 : 0;
        if (depth == 0 && word == "END:VCARD")
            cards.push_back(std::exchange(card, {}));
    }
    return cards;
}

} // namespace

class TstCarddavV21 : public QObject {
    Q_OBJECT
private slots:
    void patchReadsBackAsSent_data();
    void patchReadsBackAsSent();
    void linesWrittenAnewReadTheSame_data();
    void linesWrittenAnewReadTheSame();
    void otherProgramsCardsRoundTrip_data();
    void otherProgramsCardsRoundTrip();
};

void TstCarddavV21::patchReadsBackAsSent_data() {
    QTest::addColumn<QByteArray>("card");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("written"); // a line of the patched card
    const QByteArray quoted(kQuoted), plain(kPlain), sjis(kShiftJis);
    QTest::newRow("code on a quoted note") << quoted << int(Comments) << "Door code=41, room=20B"
                                           << QByteArray("\r\nNOTE:Door code=41, room=20B\r\n");
    QTest::newRow("list on a plain note") << plain << int(Comments) << "Milk, eggs; bread"
                                          << QByteArray("\r\nNOTE:Milk, eggs; bread\r\n");
    QTest::newRow("list on a quoted note") << quoted << int(Comments) << "Milk, eggs; bread"
                                           << QByteArray("\r\nNOTE:Milk, eggs; bread\r\n");
    QTest::newRow("lines on a plain note")
        << plain << int(Comments) << "Café = 9\nC:\\Temp\\"
        << QByteArray("\r\nNOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Caf=C3=A9 =3D 9=0D=0AC:"
                      "\\Temp\\\r\n");
    QTest::newRow("long note") << plain << int(Comments)
                               << QString(30, 'x') + QString(" y").repeated(30)
                               << QByteArray("\r\nNOTE;ENCODING=QUOTED-PRINTABLE:") +
                                      QByteArray(30, 'x') + QByteArray(" y").repeated(7) +
                                      "=\r\n=20y y";
    QTest::newRow("address of lines")
        << plain << int(Addy) << "Flat 2; rear\nHigh St, 5\nLeeds"
        << QByteArray("\r\nADR;WORK;PREF;ENCODING=QUOTED-PRINTABLE:;;Flat 2\\; rear=0D=0AHigh St, "
                      "5=0D=\r\n=0ALeeds;;;;\r\n");
    QTest::newRow("quoted address to one line")
        << quoted << int(Addy) << "Hauptstr. 2"
        << QByteArray("\r\nADR;HOME;CHARSET=UTF-8:;;Hauptstr. 2;;;;\r\n");
    QTest::newRow("quoted e-mail to ASCII")
        << quoted << int(Email) << "jorg@example.org"
        << QByteArray("\r\nEMAIL;PREF;CHARSET=UTF-8:jorg@example.org\r\n");
    QTest::newRow("name beside a quoted one")
        << quoted << int(First) << "Jo"
        << QByteArray("\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Jo M=C3=BCller\r\n");
    QTest::newRow("name with escapes")
        << plain << int(Last) << "O'Neil; Jr\\"
        << QByteArray("\r\nN;LANGUAGE=en-us:O'Neil\\; Jr\\\\;Ann;;Ms.;\r\n");
    QTest::newRow("backslashes in a name")
        << plain << int(First) << "A\\B\\\\C\\:D" << QByteArray("\r\nFN:A\\B\\\\C\\:D Lee\r\n");
    QTest::newRow("Shift_JIS name")
        << sjis << int(Last) << "安藤"
        << QByteArray("\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E5=AE=89=E8=97=A4;;;;\r\n");
    QTest::newRow("Shift_JIS name to ASCII")
        << sjis << int(Last) << "Ando" << QByteArray("\r\nN;CHARSET=UTF-8:Ando;;;;\r\n");
    QTest::newRow("number") << plain << int(Bus) << "+1 555, 2;3"
                            << QByteArray("\r\nTEL;WORK;VOICE:+1 555, 2;3\r\n");
}

void TstCarddavV21::patchReadsBackAsSent() {
    QFETCH(QByteArray, card);
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(QByteArray, written);
    const std::string base = card.toStdString();
    const std::optional<CardTexts> read = readCardTexts(base);
    QVERIFY(read);
    const Texts& before = read->texts;
    Texts after = before, other = before;
    after[std::size_t(field)] = text.toStdString();
    other[std::size_t(field)] = "x";
    if (field == Comments) { // as the book shows them, below the note
        after[Comments] = rolvane::exchange::joinComments(after[Comments], read->lines);
        other[Comments] = rolvane::exchange::joinComments(other[Comments], read->lines);
    }
    const std::string patched = patchCard(base, before, after, "20260101T000000Z");
    const Texts back = readBack(patched);
    for (std::size_t f = 0; f < kMergedFields; ++f)
        QCOMPARE(QString::fromStdString(back[f]), QString::fromStdString(after[f]));
    QVERIFY2(patched.find(written.toStdString()) != std::string::npos, patched.c_str());
    verifyUntouched(base, patched, {field});
    // Away and back again gives the same card: nothing grows from one patch to the next.
    const std::string away = patchCard(patched, after, other, "20260101T000000Z");
    QCOMPARE(QString::fromStdString(readBack(away)[std::size_t(field)]),
             QString::fromStdString(other[std::size_t(field)]));
    QCOMPARE(patchCard(away, other, after, "20260101T000000Z"), patched);
}

void TstCarddavV21::linesWrittenAnewReadTheSame_data() {
    // A damaged line after a property hides where its own lines end, so it is written anew.
    QTest::addColumn<QByteArray>("property");
    QTest::newRow("quoted, an escape at the fold")
        << QByteArray("NOTE;ENCODING=QUOTED-PRINTABLE:") + QByteArray(43, 'a') +
               "=C3=A9=C3=A9 b=\r\n=3D c\r\n";
    QTest::newRow("2.1 lines after a backslash")
        << QByteArray("ADR;HOME:;;Hermann v. Brevern\\\r\nPackstation 999;Hamburg;;99999;DE\r\n");
}

void TstCarddavV21::linesWrittenAnewReadTheSame() {
    QFETCH(QByteArray, property);
    const std::string base = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Lee;Ann;;;\r\nTEL;CELL:1\r\n" +
                             property.toStdString() + ":damaged\r\nEND:VCARD\r\n";
    const Texts before = readBack(base);
    QVERIFY(!before[Addy].empty() || !before[Comments].empty());
    Texts after = before;
    after[Ph1] = "2";
    const Texts back = readBack(patchCard(base, before, after, "1"));
    for (std::size_t f = 0; f < kMergedFields; ++f)
        QCOMPARE(QString::fromStdString(back[f]), QString::fromStdString(after[f]));
}

void TstCarddavV21::otherProgramsCardsRoundTrip_data() {
    QTest::addColumn<QByteArray>("card");
    const QDir fixtures(QStringLiteral(ROLVANE_FIXTURES "/vcard"));
    if (!fixtures.exists())
        QSKIP("no folder of other programs' cards (" ROLVANE_FIXTURES "/vcard)");
    for (const QString& name : fixtures.entryList({QStringLiteral("*.vcf")}, QDir::Files)) {
        QFile file(fixtures.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        int i = 0;
        for (const std::string& card : cardsOf(file.readAll()))
            if (card.find("VERSION:2.1") != std::string::npos)
                QTest::addRow("%s #%d", qPrintable(name), ++i) << QByteArray::fromStdString(card);
    }
}

void TstCarddavV21::otherProgramsCardsRoundTrip() {
    QFETCH(QByteArray, card);
    const std::string base = card.toStdString();
    const std::optional<CardTexts> read = readCardTexts(base);
    QVERIFY(read);
    Texts after = read->texts;
    after[Last] = "Ñandú; Jr\\";
    after[Comments] =
        rolvane::exchange::joinComments("Door code=41, room=20B\nMilk, eggs; bread", read->lines);
    const std::string patched = patchCard(base, read->texts, after, "20260101T000000Z");
    const Texts back = readBack(patched);
    for (std::size_t f = 0; f < kMergedFields; ++f)
        QCOMPARE(QString::fromStdString(back[f]), QString::fromStdString(after[f]));
    verifyUntouched(base, patched, {Last, Comments});
}

QTEST_GUILESS_MAIN(TstCarddavV21)
#include "tst_card_v21.moc"
