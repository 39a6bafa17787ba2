// SPDX-License-Identifier: GPL-3.0-or-later
// The CSV reader: RFC 4180 details, separators, encodings and each known header layout, each as
// a few lines of our own, plus the real Thunderbird export when ../shared/fixtures is there.
#include "exchange_harness.h"

#include <QFile>
#include <QTest>

using namespace rolvane::test;

namespace {

QByteArray utf16le(const QByteArray& utf8) {
    const QString text = QString::fromUtf8(utf8);
    QByteArray out("\xFF\xFE");
    out.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return out;
}

const QByteArray kOwnHeader =
    "First Name,Last Name,Ph1,Ph2,Ph3,Email,Bus,Fax,Addy,Comments,Last Update\r\n";

} // namespace

class TstCsvReader : public QObject {
    Q_OBJECT
private slots:
    void readsLayout_data();
    void readsLayout();
    void refuses_data();
    void refuses();
    void extraFieldsWarnAndBlankRecordsAreSkipped();
    void readsThunderbirdFixture();
};

void TstCsvReader::readsLayout_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("expected");

    const QByteArray own =
        kOwnHeader +
        "Jo,Doe,1,,3,jo@x,4,5,\"1 Main St\r\nLeeds\",\"said \"\"hi\"\", twice\",3/4/2024\r\n";
    QTest::newRow("own: a gap in the phones stays") << own << "Ph2"
                                                    << "";
    QTest::newRow("own: quoted line end kept as written") << own << "Addy"
                                                          << "1 Main St\r\nLeeds";
    QTest::newRow("own: doubled quotes and comma") << own << "Comments"
                                                   << "said \"hi\", twice";
    QTest::newRow("own: columns in another order")
        << QByteArray("Last Name,First Name,Ph1,Ph2,Ph3,Email,Bus,Fax,Addy,Comments,Last Update\n"
                      "Doe,Jo,,,,,,,,,\n")
        << "First Name"
        << "Jo";
    QTest::newRow("UTF-8 byte-order mark") << "\xEF\xBB\xBF" + own << "First Name"
                                           << "Jo";
    QTest::newRow("UTF-16 with its mark")
        << utf16le(kOwnHeader + QByteArray("Zoë,Ölz,,,,,,,,,\r\n")) << "Last Name"
        << QString::fromUtf8("Ölz");
    QTest::newRow("semicolons where the header shows them")
        << QByteArray(
               "First Name;Last Name;E-mail Address;Business Phone\r\nJo;Doe;jo@x;\"1;2\"\r\n")
        << "Bus"
        << "1;2";
    QTest::newRow("windows-1252 row")
        << QByteArray("First Name,Last Name,E-mail Address\r\nRen\xe9,Doe,x\r\n") << "First Name"
        << QString::fromUtf8("René");

    const QByteArray google =
        "First Name,Middle Name,Last Name,Notes,Labels,E-mail 1 - Label,E-mail 1 - Value,"
        "Phone 1 - Label,Phone 1 - Value,Phone 2 - Label,Phone 2 - Value,Address 1 - Label,"
        "Address 1 - Formatted,Address 1 - Street,Address 1 - City,Address 1 - Postal Code,"
        "Address 1 - Country,Website 1 - Label,Website 1 - Value\r\n"
        "Jo,Q,Doe,hi,* myContacts ::: Friends ::: * starred,* Home ::: Work,a@x ::: b@x,Mobile,1 "
        "::: 2,Work Fax,3,Home,"
        "\"1 Main St\nLeeds LS1\",1 Main St,Leeds,LS1,UK,Blog,http://jo\r\n";
    QTest::newRow("Google: ::: joins values, * marks the primary") << google << "Email"
                                                                   << "a@x";
    QTest::newRow("Google: label gives the kind") << google << "Fax"
                                                  << "3";
    QTest::newRow("Google: two mobiles in one cell") << google << "Ph2"
                                                     << "2";
    QTest::newRow("Google: address from its parts") << google << "Addy"
                                                    << "1 Main St\nLeeds\nLS1\nUK";
    QTest::newRow("Google: the rest in Comments")
        << google << "Comments"
        << "hi\nLabels: Friends, starred\nWebsite (Blog): http://jo\n--- other fields ---\n"
           "Middle name: Q\nE-mail (work): b@x";
    QTest::newRow("Google, older layout in UTF-16")
        << utf16le("Name,Given Name,Family Name,Group Membership,E-mail 1 - Type,E-mail 1 - Value,"
                   "Phone 1 - Type,Phone 1 - Value\r\nJo Doe,Jo,Doe,* My Contacts,* "
                   "Other,o@x,Work,77\r\n")
        << "Bus"
        << "77";
    const QByteArray outlookWeb =
        "First Name,Middle Name,Last Name,E-mail Address,E-mail 2 Address,Home Phone,Business "
        "Phone,"
        "Mobile Phone,Pager,Business Fax,Home Street,Home City,Home State,Home Postal Code,"
        "Home Country/Region,Birthday,Notes\r\n"
        "Jo,,Doe,jo@x,,11,22,33,44,55,1 Elm,Austin,TX,73301,USA,0/0/00,\r\n";
    QTest::newRow("Outlook web: numbers") << outlookWeb << "Ph3"
                                          << "44";
    QTest::newRow("Outlook web: address") << outlookWeb << "Addy"
                                          << "1 Elm\nAustin, TX 73301\nUSA";
    QTest::newRow("Outlook: placeholder dates dropped") << outlookWeb << "Comments"
                                                        << "";
    const QByteArray outlookDesktop =
        "\"Title\",\"First Name\",\"Last Name\",\"Business Street\",\"Business Street 2\","
        "\"Business City\",\"Business Fax\",\"E-mail Address\",\"E-mail Type\",\"Priority\"\r\n"
        "\"Dr.\",\"Jo\",\"Doe\",\"9 Mill Rd\",\"Unit "
        "4\",\"York\",\"66\",\"j@x\",\"SMTP\",\"Normal\"\r\n";
    QTest::newRow("Outlook desktop: quoted headers, bookkeeping dropped")
        << outlookDesktop << "Comments"
        << "--- other fields ---\nName prefix: Dr.";
    QTest::newRow("Outlook desktop: street lines") << outlookDesktop << "Addy"
                                                   << "9 Mill Rd\nUnit 4\nYork";
    // The names Access tables use: the same layout code reads a table's columns.
    QTest::newRow("own columns beside a key column")
        << QByteArray(
               "ID,First Name,Last Name,Ph1,Ph2,Ph3,Email,Bus,Fax,Addy,Comments,Last Update\n"
               "7,Jo,Doe,1,,,,,,,,\n")
        << "Ph1"
        << "1";
    const QByteArray accessNames = "CompanyName,ContactName,ContactTitle,Address,City,Region,"
                                   "PostalCode,Country,Phone,Fax,EmailAddress,Notes\n"
                                   "ACME,Maria Anders,Owner,Obere Str. 57,Berlin,,12209,Germany,"
                                   "030-0074321,030-0076545,m@example.com,VIP\n";
    QTest::newRow("Access names: ContactName split") << accessNames << "First Name"
                                                     << "Maria";
    QTest::newRow("Access names: address parts") << accessNames << "Addy"
                                                 << "Obere Str. 57\n12209 Berlin\nGermany";
    QTest::newRow("Access names: the rest in Comments")
        << accessNames << "Comments"
        << "VIP\nContactTitle: Owner\n--- other fields ---\nOrganization: ACME";
    QTest::newRow("a numbered name with no kind before its number")
        << QByteArray("First Name,Last Name, 2 - Value,Phone 1 - Value\r\nJo,Doe,x,5\r\n") << "Ph1"
        << "5";
    QTest::newRow("Thunderbird")
        << QByteArray(
               "First Name,Last Name,Display Name,Primary Email,Work Phone,Home Phone,Fax Number,"
               "Home Address,Home Address 2,Home City,Home ZipCode\r\n"
               "Jo,Doe,Jo Doe,jo@x,1,2,3,1 Elm,Apt 2,Bath,BA1\r\n")
        << "Addy"
        << "1 Elm\nApt 2\nBA1 Bath";
}

void TstCsvReader::readsLayout() {
    QFETCH(QByteArray, input);
    QFETCH(QString, column);
    QFETCH(QString, expected);
    const ReadOutcome out = readBytes(input, Reader::Csv);
    QVERIFY2(out.error.isEmpty(), qPrintable(out.error));
    QVERIFY2(out.warnings.isEmpty(), qPrintable(out.warnings.join(QLatin1Char('\n'))));
    QCOMPARE(out.contacts.size(), std::size_t(1));
    QCOMPARE(rolvane::test::column(out.contacts[0], column), expected);
}

void TstCsvReader::refuses_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("error");

    QTest::newRow("unknown header")
        << QByteArray("Fruit,Colour\r\napple,red\r\n")
        << "1: the header names no known contact columns; expected the book's own columns";
    QTest::newRow("a quote that never ends") << kOwnHeader + "Jo,\"Doe\r\nmore\r\n"
                                             << "2: a quoted field that starts here never ends";
    QTest::newRow("a record far too long")
        << kOwnHeader + "Jo," + QByteArray(int(rolvane::exchange::kMaxLineBytes) + 10, 'x') + "\r\n"
        << "2: the record is longer than 4 MB";
    QTest::newRow("too many fields") << kOwnHeader + QByteArray(100000, ',') + "\r\n"
                                     << "2: the record has more than 4096 fields";
    QTest::newRow("only a header line, too long")
        << QByteArray(int(rolvane::exchange::kMaxLineBytes) + 10, 'x')
        << "1: the header line is too long";
}

void TstCsvReader::refuses() {
    QFETCH(QByteArray, input);
    QFETCH(QString, error);
    const ReadOutcome out = readBytes(input, Reader::Csv);
    QVERIFY2(out.error.startsWith(error), qPrintable(out.error));
    QVERIFY(out.contacts.empty() || error.startsWith(QLatin1String("2:")));
}

void TstCsvReader::extraFieldsWarnAndBlankRecordsAreSkipped() {
    const ReadOutcome out =
        readBytes(kOwnHeader + "Jo,Doe\r\n,,,,\r\n\r\nAl,Roe,,,,,,,,,,surplus\r\n", Reader::Csv);
    QVERIFY(out.error.isEmpty());
    QCOMPARE(out.contacts.size(), std::size_t(2));
    QCOMPARE(out.warnings,
             QStringList{QStringLiteral(
                 "5: the record has 12 fields and the header 11; the extra fields were skipped")});
}

void TstCsvReader::readsThunderbirdFixture() {
    QFile file(QStringLiteral(ROLVANE_FIXTURES "/csv/thunderbird_export__comm-central.csv"));
    if (!file.open(QIODevice::ReadOnly))
        QSKIP("../shared/fixtures is not here: the real CSV export was not read");
    const ReadOutcome out = readBytes(file.readAll(), Reader::Csv);
    QVERIFY2(out.error.isEmpty(), qPrintable(out.error));
    QVERIFY(out.warnings.isEmpty());
    QCOMPARE(out.contacts.size(), std::size_t(2));
    // The tab, comma and line end inside quoted cells survive into Comments.
    const QString comments = column(out.contacts[1], QStringLiteral("Comments"));
    QVERIFY2(comments.contains(QLatin1String("\nTitle: \"worker\"")), qPrintable(comments));
    QVERIFY2(comments.contains(QLatin1String("custom\t2")), qPrintable(comments));
}

QTEST_GUILESS_MAIN(TstCsvReader)
#include "tst_csv_reader.moc"
