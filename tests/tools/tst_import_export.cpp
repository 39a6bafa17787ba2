// SPDX-License-Identifier: GPL-3.0-or-later
// rolvane-db import and export as a user runs them: the built tool on files of our own (and the
// real ones in ../shared/fixtures when they are there), checked through plain SQLite.
#include "support/test_book.h"
#include "support/test_file.h"
#include "support/tool_run.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <unistd.h>

using rolvane::test::fileBytes;
using rolvane::test::runTool;
using rolvane::test::TestBook;
using rolvane::test::writeFile;
using Run = rolvane::test::ToolRun;

namespace {

QString contactsFile(const char* name) {
    return QStringLiteral(ROLVANE_CONTACTS "/") + QLatin1String(name);
}

// Every row, every column, NULL and empty alike, in one fixed order: equal books, equal digests.
QByteArray digest(const TestBook& book) {
    QString columns;
    for (const char* c : {"[First Name]", "[Last Name]", "Ph1", "Ph2", "Ph3", "Email", "Bus", "Fax",
                          "Addy", "Comments", "[Last Update]"})
        columns += QStringLiteral("|| quote(ifnull(%1, '')) ").arg(QLatin1String(c));
    const QString rows = QStringLiteral("select '' %1 as r from Rolvane").arg(columns);
    return QCryptographicHash::hash(
               book.value(QStringLiteral("select group_concat(r, char(10)) from (%1 order by r)")
                              .arg(rows))
                   .toUtf8(),
               QCryptographicHash::Sha256)
        .toHex();
}

} // namespace

class TstImportExport : public QObject {
    Q_OBJECT
private slots:
    void importsEachLayout_data();
    void importsEachLayout();
    void exportThenImportGivesTheSameContacts_data();
    void exportThenImportGivesTheSameContacts();
    void importAddsToAnExistingBook();
    void badFilesChangeNothing_data();
    void badFilesChangeNothing();
    void accessFileWhereTheBookBelongsIsLeftAlone();
    void summaryCountsWarnings();
    void standardInputAndOutput();
    void exportReplacesAFileOnlyWhenComplete();
    void importsEveryFixture();
    void killDuringImportLeavesTheBookWhole();
};

void TstImportExport::importsEachLayout_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("contacts");
    QTest::addColumn<QString>("lastName");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("expected");

    const QString v21 = contactsFile("phone_export_v21.vcf");
    QTest::newRow("2.1 QP name") << v21 << 2 << QString::fromUtf8("Müller") << "First Name"
                                 << QString::fromUtf8("Jörg");
    QTest::newRow("2.1 numbers") << v21 << 2 << QString::fromUtf8("Müller") << "Fax"
                                 << "+49 30 123457";
    QTest::newRow("2.1 note after PHOTO") << v21 << 2 << QString::fromUtf8("Müller") << "Comments"
                                          << "Erste Zeile\nzweite Zeile";
    QTest::newRow("2.1 address across lines")
        << v21 << 2 << QString::fromUtf8("Müller") << "Addy"
        << "Hauptstr. 1\nHinterhaus\n10115 Berlin\nDeutschland";
    QTest::newRow("2.1 Shift_JIS") << v21 << 2 << QString::fromUtf8("田中") << "Ph1"
                                   << "03-1234-5678";
    const QString v30 = contactsFile("apple_google_v30.vcf");
    QTest::newRow("3.0 FN with commas") << v30 << 2 << "Jr."
                                        << "First Name"
                                        << "Doe, Jane,";
    QTest::newRow("3.0 preferred e-mail") << v30 << 2 << "Jr."
                                          << "Email"
                                          << "jd@example.org";
    QTest::newRow("3.0 group label") << v30 << 2 << "Jr."
                                     << "Bus"
                                     << "555-0100";
    QTest::newRow("3.0 folded note, the other e-mail")
        << v30 << 2 << "Jr."
        << "Comments"
        << "likes tea, not coffee; call after 6pm\n--- other fields ---\nE-mail (home): "
           "jane@example.com";
    QTest::newRow("4.0 quoted types, CR CR LF") << v30 << 2 << "Roe"
                                                << "Bus"
                                                << "+1-555-0101";
    QTest::newRow("Google") << contactsFile("google.csv") << 1 << "Doe"
                            << "Ph2"
                            << "2";
    QTest::newRow("Google older, UTF-16")
        << contactsFile("google_older_utf16.csv") << 1 << QString::fromUtf8("Ölz") << "Bus"
        << "77";
    QTest::newRow("Outlook web") << contactsFile("outlook_web.csv") << 1 << "Doe"
                                 << "Comments"
                                 << "said \"hi\"";
    QTest::newRow("Outlook desktop, windows-1252")
        << contactsFile("outlook_desktop.csv") << 1 << "Doe"
        << "Comments" << QString::fromUtf8("café\n--- other fields ---\nName prefix: Dr.");
    QTest::newRow("Thunderbird") << contactsFile("thunderbird.csv") << 1 << "Doe"
                                 << "Addy"
                                 << "1 Elm\nBA1 Bath";
    QTest::newRow("semicolons") << contactsFile("semicolons.csv") << 2 << "Doe"
                                << "Bus"
                                << "1;2";
    QTest::newRow("own columns") << contactsFile("own_columns.csv") << 1 << "Doe"
                                 << "Last Update"
                                 << "3/14/2024";
}

void TstImportExport::importsEachLayout() {
    QFETCH(QString, file);
    QFETCH(int, contacts);
    QFETCH(QString, lastName);
    QFETCH(QString, column);
    QFETCH(QString, expected);
    TestBook book(false);
    const Run run =
        runTool({QStringLiteral("import"), file, QStringLiteral("--file"), book.path()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(run.err, QString());
    QCOMPARE(book.count(), contacts);
    QCOMPARE(book.value(QStringLiteral("select [%1] from Rolvane where [Last Name] = '%2'")
                            .arg(column, lastName)),
             expected);
}

void TstImportExport::exportThenImportGivesTheSameContacts_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("vCard") << "out.vcf";
    QTest::newRow("CSV") << "out.csv";
}

void TstImportExport::exportThenImportGivesTheSameContacts() {
    QFETCH(QString, name);
    TestBook book(false);
    QCOMPARE(runTool({QStringLiteral("generate"), QStringLiteral("400"), QStringLiteral("--file"),
                      book.path()})
                 .exitCode,
             0);
    // What generated rows may lack: every character the formats escape, gaps, lone columns.
    book.insert({{"First Name", QStringLiteral(" Ann, \"Jr\"; \\ ")},
                 {"Last Name", QStringLiteral("O'Brien;\\,")},
                 {"Ph2", QStringLiteral("2")},
                 {"Fax", QStringLiteral("9")},
                 {"Addy", QString::fromUtf8("1 Été Rd\n\nLine; three, \\n")},
                 {"Comments", QString::fromUtf8("Phone (pager): 1\nnote: 田中 ") +
                                  QString(200, QLatin1Char('x'))},
                 {"Last Update", QStringLiteral("not a date")}});
    book.insert({{"Last Update", QStringLiteral("1/2/2020")}});
    book.insert({{"Email", QStringLiteral("only@example.com")}});
    const QString file = QDir(book.folder()).filePath(name);
    const Run exported =
        runTool({QStringLiteral("export"), file, QStringLiteral("--file"), book.path()});
    QVERIFY2(exported.exitCode == 0, qPrintable(exported.err));
    QCOMPARE(exported.out, QStringLiteral("Exported 403 contacts to %1\n").arg(name));

    TestBook copy(false);
    const Run imported =
        runTool({QStringLiteral("import"), file, QStringLiteral("--file"), copy.path()});
    QVERIFY2(imported.exitCode == 0, qPrintable(imported.err));
    QCOMPARE(imported.out, QStringLiteral("Imported 403 contacts from %1\n").arg(name));
    QCOMPARE(digest(copy), digest(book));
}

void TstImportExport::importAddsToAnExistingBook() {
    TestBook book;
    book.insertLastNames({QStringLiteral("Keep"), QStringLiteral("Also")});
    const QByteArray before = digest(book);
    const Run run = runTool({QStringLiteral("import"), contactsFile("semicolons.csv"),
                             QStringLiteral("--file"), book.path()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(book.count(), 4);
    book.exec(QStringLiteral("delete from Rolvane where Email like '%@example.com'"));
    QCOMPARE(digest(book), before);
    QCOMPARE(book.value(QStringLiteral("pragma journal_mode")), QStringLiteral("wal"));
}

void TstImportExport::badFilesChangeNothing_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown CSV header") << QByteArray("Fruit,Colour\napple,red\n")
                                        << "line 1: the header names no known contact columns";
    QTest::newRow("binary") << QByteArray("\x7f"
                                          "ELF\x02\x01\x01\0\0\0",
                                          10)
                            << "is not a vCard, CSV or Access file";
    QTest::newRow("empty") << QByteArray("") << "is not a vCard, CSV or Access file";
    QTest::newRow("CSV quote never closed, after good rows")
        << QByteArray("First Name,Last Name,E-mail Address\nA,B,c\nD,\"E\nF,G,h\n")
        << "line 3: a quoted field that starts here never ends";
    QByteArray deep = "BEGIN:VCARD\nN:Good;One\nEND:VCARD\n";
    for (int i = 0; i < 200; ++i)
        deep += "BEGIN:VCARD\n";
    QTest::newRow("vCard nested too deep, after a good card")
        << deep << "line 68: cards are nested more than 64 deep";
    QTest::newRow("Access header, no database") << QByteArray("\0\1\0\0Standard Jet DB\0\0\0\0", 23)
                                                << "the list of tables could not be read";
}

void TstImportExport::badFilesChangeNothing() {
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    TestBook book;
    book.insertLastNames({QStringLiteral("Before")});
    const QByteArray before = digest(book);
    const QString file = QDir(book.folder()).filePath(QStringLiteral("bad.vcf"));
    writeFile(file, content);
    for (const QString& target :
         {book.path(), QDir(book.folder()).filePath(QStringLiteral("new.mdb"))}) {
        const Run run = runTool({QStringLiteral("import"), file, QStringLiteral("--file"), target});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(message) && run.err.contains(file), qPrintable(run.err));
        // Only our own words: libmdb's lines ("offset 0 is beyond EOF") are caught.
        QVERIFY2(!run.err.contains(QLatin1String("EOF")), qPrintable(run.err));
        QCOMPARE(run.out, QString());
    }
    QCOMPARE(digest(book), before);
    QVERIFY(!QFileInfo::exists(QDir(book.folder()).filePath(QStringLiteral("new.mdb"))));

    const Run missing = runTool({QStringLiteral("import"), file + QLatin1String(".gone"),
                                 QStringLiteral("--file"), book.path()});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY2(missing.err.contains(QLatin1String("Could not read")), qPrintable(missing.err));
}

void TstImportExport::accessFileWhereTheBookBelongsIsLeftAlone() {
    TestBook book(false);
    const QByteArray jet = QByteArray("\0\1\0\0Standard Jet DB\0", 20) + QByteArray(2048, 'j');
    writeFile(book.path(), jet);
    const Run run = runTool({QStringLiteral("import"), contactsFile("semicolons.csv"),
                             QStringLiteral("--file"), book.path()});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QLatin1String("is an Access file, not a Rolvane address book")),
             qPrintable(run.err));
    QCOMPARE(fileBytes(book.path()), jet);
}

void TstImportExport::summaryCountsWarnings() {
    TestBook book(false);
    const QString file = QDir(book.folder()).filePath(QStringLiteral("contacts.vcf"));
    QByteArray cards;
    for (int i = 0; i < 1204; ++i)
        cards += "BEGIN:VCARD\nVERSION:3.0\nN:Doe" + QByteArray::number(i) + ";Jo\n" +
                 (i % 500 == 7 ? "broken line\n" : "") + "END:VCARD\n";
    writeFile(file, cards);
    const Run run =
        runTool({QStringLiteral("import"), file, QStringLiteral("--file"), book.path()});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("Imported 1,204 contacts from contacts.vcf; 3 warnings\n"));
    QVERIFY2(run.err.contains(file + QLatin1String(", line 32: not a vCard property; skipped")),
             qPrintable(run.err));
    QCOMPARE(book.count(), 1204);
}

void TstImportExport::standardInputAndOutput() {
    TestBook book;
    book.insert({{"First Name", QStringLiteral("Jo")}, {"Last Name", QStringLiteral("Doe")}});
    const Run out =
        runTool({QStringLiteral("export"), QStringLiteral("-"), QStringLiteral("--format"),
                 QStringLiteral("vcard"), QStringLiteral("--file"), book.path()});
    QCOMPARE(out.exitCode, 0);
    QVERIFY2(out.rawOut.startsWith("BEGIN:VCARD\r\nVERSION:4.0\r\nN:Doe;Jo;;;\r\nFN:Jo Doe\r\n"),
             out.rawOut.constData());
    QCOMPARE(out.err, QStringLiteral("Exported 1 contact to standard output\n"));

    TestBook copy(false);
    const Run in = runTool(
        {QStringLiteral("import"), QStringLiteral("-"), QStringLiteral("--file"), copy.path()},
        out.rawOut);
    QCOMPARE(in.exitCode, 0);
    QCOMPARE(in.out, QStringLiteral("Imported 1 contact from standard input\n"));
    QCOMPARE(digest(copy), digest(book));

    const Run noFormat = runTool({QStringLiteral("export"), QStringLiteral("-")});
    QCOMPARE(noFormat.exitCode, 2);
}

void TstImportExport::exportReplacesAFileOnlyWhenComplete() {
    TestBook book;
    book.insertLastNames({QStringLiteral("New")});
    const QString file = QDir(book.folder()).filePath(QStringLiteral("old.csv"));
    writeFile(file, "old content");
    // A hard link keeps the old file's data when the name is given to a new file by a rename.
    const QString link = file + QLatin1String(".link");
    QCOMPARE(::link(QFile::encodeName(file).constData(), QFile::encodeName(link).constData()), 0);
    QCOMPARE(
        runTool({QStringLiteral("export"), file, QStringLiteral("--file"), book.path()}).exitCode,
        0);
    QVERIFY(fileBytes(file).contains("\r\n,New,"));
    QCOMPARE(fileBytes(link), QByteArray("old content"));

    const QString other = QDir(book.folder()).filePath(QStringLiteral("keep.vcf"));
    writeFile(other, "keep me");
    const Run failed = runTool({QStringLiteral("export"), other, QStringLiteral("--file"),
                                QDir(book.folder()).filePath(QStringLiteral("none.mdb"))});
    QCOMPARE(failed.exitCode, 1);
    QCOMPARE(fileBytes(other), QByteArray("keep me"));
    QCOMPARE(QDir(book.folder()).entryList({QStringLiteral("keep.vcf*")}, QDir::Files).size(),
             1); // no temporary file left behind
}

void TstImportExport::importsEveryFixture() {
    const QDir fixtures(QStringLiteral(ROLVANE_FIXTURES));
    if (!fixtures.exists())
        QSKIP("../shared/fixtures is not here: the real files were not imported");
    struct Case {
        const char* file;
        const char* table;
        int contacts;
    };
    const Case cases[] = {{"csv/thunderbird_export__comm-central.csv", nullptr, 2}};
    for (const Case& c : cases) {
        TestBook book(false);
        QStringList args{QStringLiteral("import"), fixtures.filePath(QLatin1String(c.file)),
                         QStringLiteral("--file"), book.path()};
        if (c.table)
            args << QStringLiteral("--table") << QLatin1String(c.table);
        const Run run = runTool(args);
        QVERIFY2(run.exitCode == 0 && run.err.isEmpty(),
                 qPrintable(QLatin1String(c.file) + run.err));
        QCOMPARE(book.count(), c.contacts);
    }
    TestBook book(false);
    const Run noTable = runTool({QStringLiteral("import"),
                                 fixtures.filePath(QStringLiteral("access/testV1997.mdb")),
                                 QStringLiteral("--file"), book.path()});
    QCOMPARE(noTable.exitCode, 1);
    QVERIFY2(noTable.err.contains(QLatin1String("its tables are: Table1, Table2, Table3, Table4")),
             qPrintable(noTable.err));
    // Tables of test data, not of contacts: refused whatever --table says, their columns named.
    const std::pair<const char*, const char*> notContacts[] = {
        {"access/testV1997.mdb", "Table1"}, {"access/testUnicodeCompV2003.mdb", "Table"}};
    for (const auto& [file, table] : notContacts) {
        const Run run = runTool({QStringLiteral("import"), fixtures.filePath(QLatin1String(file)),
                                 QStringLiteral("--table"), QLatin1String(table),
                                 QStringLiteral("--file"), book.path()});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(
            run.err.contains(QLatin1String("has no known contact columns (its columns are ")) &&
                run.err.contains(QLatin1String("expected the book's own columns")),
            qPrintable(run.err));
    }
    QVERIFY(!QFileInfo::exists(book.path()));
}

void TstImportExport::killDuringImportLeavesTheBookWhole() {
    // 200,000 cards, imported into a book of 50 while SIGKILL lands at a random moment: the import
    // is one transaction, so each time the book holds the rows it had before, or all 200,050, and
    // nothing in between. Once an import has gone through, the next adds nothing: every card is a
    // duplicate.
    constexpr int kCards = 200000;
    constexpr int kBefore = 50;
    TestBook source(false);
    QCOMPARE(runTool({QStringLiteral("generate"), QString::number(kCards), QStringLiteral("--file"),
                      source.path()})
                 .exitCode,
             0);
    const QString cards = QDir(source.folder()).filePath(QStringLiteral("all.vcf"));
    QCOMPARE(runTool({QStringLiteral("export"), cards, QStringLiteral("--file"), source.path()})
                 .exitCode,
             0);
    // Contacts the generator never makes: none of them is taken for a duplicate.
    TestBook book;
    QStringList kept;
    for (int i = 0; i < kBefore; ++i)
        kept << QStringLiteral("Before the import %1").arg(i);
    book.insertLastNames(kept);
    const int whole = kBefore + kCards;
    int before = book.count();
    QCOMPARE(before, kBefore);
    for (int round = 0; round < 4; ++round) {
        QProcess tool;
        tool.start(QStringLiteral(ROLVANE_DB),
                   {QStringLiteral("import"), cards, QStringLiteral("--file"), book.path()});
        QVERIFY(tool.waitForStarted());
        QTest::qWait(int(QRandomGenerator::global()->bounded(50, 2500)));
        tool.kill();
        tool.waitForFinished();
        const int count = book.count();
        // An import that ended before the kill must have ended well and added every card.
        if (tool.exitStatus() == QProcess::NormalExit) {
            QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());
            QCOMPARE(count, whole);
        }
        QVERIFY2(count == before || count == whole,
                 qPrintable(QStringLiteral("%1 contacts after %2").arg(count).arg(before)));
        before = count;
        QCOMPARE(book.value(QStringLiteral("pragma integrity_check")), QStringLiteral("ok"));
    }
    QCOMPARE(book.count(QStringLiteral("[Last Name] like 'Before the import %'")), kBefore);
}

QTEST_GUILESS_MAIN(TstImportExport)
#include "tst_import_export.moc"
