// SPDX-License-Identifier: GPL-3.0-or-later
// Importing into a book: which contacts count as already there, what a second import of the same
// file adds, and that a cancelled or killed import leaves the book (or its absence) as it was.
#include "data/contact_insert.h"
#include "exchange/contact_import.h"
#include "exchange/duplicate_filter.h"
#include "support/test_book.h"
#include "support/test_file.h"
#include "support/tool_run.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

using namespace rolvane;
using exchange::ImportResult;
using test::runTool;
using test::TestBook;
using test::writeFile;

namespace {

// Eleven texts in table order; "-" stands for NULL.
using Texts = QStringList;
const QString kNull = QStringLiteral("-");

Texts texts(const QString& first, const QString& last, const QString& comments = kNull,
            const QString& ph1 = kNull, const QString& ph2 = kNull, const QString& update = kNull) {
    return {first, last, ph1, ph2, kNull, kNull, kNull, kNull, kNull, comments, update};
}

tool::Contact toContact(const Texts& t) {
    tool::Contact c;
    std::optional<std::string>* fields[] = {&c.firstName, &c.lastName, &c.ph1,       &c.ph2,
                                            &c.ph3,       &c.email,    &c.bus,       &c.fax,
                                            &c.addy,      &c.comments, &c.lastUpdate};
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] != kNull)
            *fields[i] = t[i].toStdString();
    }
    return c;
}

qint64 store(const sqlite::Connection& db, const Texts& t) {
    std::array<std::string, kColumnNames.size()> bytes;
    ContactValues values;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = t[qsizetype(i)].toStdString();
        if (t[qsizetype(i)] != kNull)
            values[i] = bytes[i];
    }
    ContactInsert insert;
    if (insert.prepare(db) != SQLITE_OK || insert.insert(values) != SQLITE_DONE)
        qFatal("could not store a contact: %s", qPrintable(db.lastError()));
    return sqlite3_last_insert_rowid(db.get());
}

QString cards(const QStringList& lastNames) {
    QString out;
    for (const QString& name : lastNames)
        out += QStringLiteral("BEGIN:VCARD\nVERSION:3.0\nN:%1;Jo\nEND:VCARD\n").arg(name);
    return out;
}

void bookKinds() {
    QTest::addColumn<bool>("bookExists");
    QTest::newRow("into an existing book") << true;
    QTest::newRow("into a new book") << false;
}

QString rows(const TestBook& book) {
    return book.value(QStringLiteral("select group_concat(quote([Last Name]) || quote(rowid)) "
                                     "from (select * from Rolvane order by rowid)"));
}

} // namespace

class TstContactImport : public QObject {
    Q_OBJECT
private slots:
    void whatCountsAsAlreadyThere_data();
    void whatCountsAsAlreadyThere();
    void secondImportAddsNothing_data();
    void secondImportAddsNothing();
    void cancelLeavesTheBookAsItWas_data();
    void cancelLeavesTheBookAsItWas();
    void toolCountsAndKeepsDuplicates();
    void toolSaysWhatHadNoPlace();
    void toolRefusesATableOutsideAccess_data();
    void toolRefusesATableOutsideAccess();
    void killedImportIntoANewBookLeavesNoBook();
};

void TstContactImport::whatCountsAsAlreadyThere_data() {
    QTest::addColumn<Texts>("stored");
    QTest::addColumn<Texts>("incoming");
    QTest::addColumn<bool>("already");
    const QString d = QStringLiteral("Doe");
    const auto row = [](const char* name, const Texts& a, const Texts& b, bool already) {
        QTest::newRow(name) << a << b << already;
    };
    row("same texts", texts("Jo", d, "a"), texts("Jo", d, "a"), true);
    row("only Last Update differs", texts("Jo", d, kNull, kNull, kNull, "1/2/2020"),
        texts("Jo", d, kNull, kNull, kNull, "3/4/2024"), true);
    row("empty stored, missing coming", texts("", d, ""), texts(kNull, d), true);
    row("missing stored, empty coming", texts(kNull, d), texts("", d, ""), true);
    row("CR LF stored, LF coming", texts("Jo", d, "a\r\nb\r\n"), texts("Jo", d, "a\nb\n"), true);
    row("LF stored, CR LF coming", texts("Jo", d, "a\nb"), texts("Jo", d, "a\r\nb"), true);
    row("a lone CR is not a line end", texts("Jo", d, "a\rb"), texts("Jo", d, "a\nb"), false);
    row("one phone differs", texts("Jo", d, kNull, "555"), texts("Jo", d, kNull, "556"), false);
    row("case differs", texts("Jo", d), texts("Jo", QStringLiteral("doe")), false);
    row("accent differs", texts("Jo", QStringLiteral("Éluard")), texts("Jo", "Eluard"), false);
    row("text in another column", texts("Jo", d, kNull, "5", ""), texts("Jo", d, kNull, "", "5"),
        false);
    row("text split otherwise", texts("ab", QStringLiteral("c")), texts("a", QStringLiteral("bc")),
        false);
    row("nameless, same", texts("Jo", kNull, "x"), texts("Jo", "", "x"), true);
    // Stored from the same card before Comments had its separator.
    const QString sep = QStringLiteral("\n--- other fields ---\n");
    row("old form of labelled lines", texts("Jo", d, "Likes tea\nTitle: CFO\nOther: us"),
        texts("Jo", d, "Likes tea" + sep + "Title: CFO\nCategories: Friends"), true);
    row("old form of a company", texts("Acme Plumbing", "Ltd"),
        texts(kNull, "Acme Plumbing Ltd", sep.mid(1) + "Company: yes"), true);
    row("old form lacks a value", texts("Jo", d, "Title: CFO"),
        texts("Jo", d, sep.mid(1) + "Title: CEO"), false);
    row("old form lacks the note", texts("Jo", d, "Title: CFO"),
        texts("Jo", d, "Met in Rome" + sep + "Title: CFO"), false);
    row("more note than old lines", texts("Jo", d, "a\nsee you"), texts("Jo", d, "a" + sep), false);
    row("a person's name split otherwise", texts("Ann", "Lee"), texts("Ann Lee", kNull), false);
    row("both in the new form", texts("Jo", d, "a" + sep + "Title: CFO"),
        texts("Jo", d, "a" + sep + "Title: CEO"), false);
    row("nameless, different", texts("Jo", kNull, "x"), texts("Jo", kNull, "y"), false);
}

void TstContactImport::whatCountsAsAlreadyThere() {
    QFETCH(Texts, stored);
    QFETCH(Texts, incoming);
    QFETCH(bool, already);
    TestBook book;
    book.insertLastNames({QStringLiteral("Other"), QString()});
    sqlite::Connection db;
    QCOMPARE(db.open(book.path()), SQLITE_OK);
    store(db, stored);
    exchange::DuplicateFilter filter;
    QCOMPARE(filter.load(db), QString());
    QCOMPARE(filter.isStored(toContact(incoming)), already);

    // A contact remembered during the import counts the same as one stored before it.
    TestBook fresh;
    sqlite::Connection freshDb;
    QCOMPARE(freshDb.open(fresh.path()), SQLITE_OK);
    exchange::DuplicateFilter during;
    QCOMPARE(during.load(freshDb), QString());
    QVERIFY(!during.isStored(toContact(incoming)));
    QCOMPARE(during.remember(toContact(stored), store(freshDb, stored)), QString());
    QCOMPARE(during.isStored(toContact(incoming)), already);
}

void TstContactImport::secondImportAddsNothing_data() {
    bookKinds();
}

void TstContactImport::secondImportAddsNothing() {
    QFETCH(bool, bookExists);
    TestBook book(bookExists);
    if (bookExists)
        book.insertLastNames({QStringLiteral("Smith")});
    // Smith is in the book already, and Doe twice in the file, far enough apart that the table
    // of rows has grown in between.
    QStringList names = {"Doe", "Smith", "Roe"};
    for (int i = 0; i < 2000; ++i)
        names << QStringLiteral("N%1").arg(i);
    const QString file = writeFile(QDir(book.folder()).filePath(QStringLiteral("c.vcf")),
                                   cards(names + QStringList{"Doe"}).toUtf8() +
                                       "BEGIN:VCARD\nVERSION:3.0\nN:Smith;\nEND:VCARD\n");
    const exchange::ImportRequest request{file, book.path(), {}, false};

    const ImportResult first = exchange::importContacts(request);
    QVERIFY2(first.done(), qPrintable(first.failure));
    QCOMPARE(first.madeBook, !bookExists);
    QCOMPARE(first.added, (bookExists ? 3 : 4) + 2000);
    QCOMPARE(first.alreadyThere, bookExists ? 2 : 1);
    QCOMPARE(first.firstAdded,
             book.value(QStringLiteral("select rowid from Rolvane where [Last Name] = 'Doe'"))
                 .toLongLong());
    const QString after = rows(book);

    const ImportResult second = exchange::importContacts(request);
    QVERIFY2(second.done(), qPrintable(second.failure));
    QCOMPARE(second.added, 0);
    QCOMPARE(second.alreadyThere, 5 + 2000);
    QCOMPARE(second.firstAdded, 0);
    QCOMPARE(rows(book), after);

    const ImportResult kept = exchange::importContacts({file, book.path(), {}, true});
    QCOMPARE(kept.added, 5 + 2000);
    QCOMPARE(book.count(), 4 + 2000 + 5 + 2000);
}

void TstContactImport::cancelLeavesTheBookAsItWas_data() {
    bookKinds();
}

void TstContactImport::cancelLeavesTheBookAsItWas() {
    QFETCH(bool, bookExists);
    TestBook book(bookExists);
    if (bookExists)
        book.insertLastNames({QStringLiteral("Before")});
    const QString before = bookExists ? rows(book) : QString();
    QStringList names;
    for (int i = 0; i < 2000; ++i)
        names << QStringLiteral("N%1").arg(i);
    const QString file =
        writeFile(QDir(book.folder()).filePath(QStringLiteral("c.vcf")), cards(names).toUtf8());
    const QStringList filesBefore = QDir(book.folder()).entryList(QDir::Files);

    long long toldAt = 0;
    const ImportResult result =
        exchange::importContacts({file, book.path(), {}, false}, [&](long long n, int percent) {
            toldAt = n;
            return percent < 50;
        });
    QCOMPARE(result.outcome, ImportResult::Outcome::Cancelled);
    QVERIFY(toldAt > 0 && toldAt < 2000);
    QCOMPARE(QDir(book.folder()).entryList(QDir::Files), filesBefore);
    if (bookExists)
        QCOMPARE(rows(book), before);
}

void TstContactImport::toolCountsAndKeepsDuplicates() {
    // More contacts than the filter's first table holds, so it has to grow on the way.
    TestBook source(false);
    QCOMPARE(runTool({"generate", "3000", "--file", source.path()}).exitCode, 0);
    const QString csv = QDir(source.folder()).filePath(QStringLiteral("all.csv"));
    QCOMPARE(runTool({"export", csv, "--file", source.path()}).exitCode, 0);
    TestBook book(false);
    const QStringList import = {"import", csv, "--file", book.path()};
    QCOMPARE(runTool(import).out, QStringLiteral("Imported 3,000 contacts from all.csv\n"));
    QCOMPARE(runTool(import).out,
             QStringLiteral("Imported 0 contacts from all.csv; 3,000 already there\n"));
    QCOMPARE(book.count(), 3000);
    const test::ToolRun kept = runTool(import + QStringList{"--keep-duplicates"});
    QCOMPARE(kept.out, QStringLiteral("Imported 3,000 contacts from all.csv\n"));
    QCOMPARE(book.count(), 6000);
}

void TstContactImport::toolSaysWhatHadNoPlace() {
    TestBook book;
    const QString file = writeFile(QDir(book.folder()).filePath(QStringLiteral("p.vcf")),
                                   "BEGIN:VCARD\nVERSION:3.0\nN:Doe;Jo\nPHOTO;ENCODING=b;TYPE=JPEG:"
                                   "AAAA\nEND:VCARD\nBEGIN:VCARD\nVERSION:3.0\nN:Roe;Al\n"
                                   "PHOTO;ENCODING=b;TYPE=JPEG:AAAA\nEND:VCARD\n");
    const test::ToolRun run = runTool({"import", file, "--file", book.path()});
    QCOMPARE(run.out, QStringLiteral("Imported 2 contacts from p.vcf; 2 photos not kept\n"));
}

void TstContactImport::toolRefusesATableOutsideAccess_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("kind");
    QTest::newRow("vCard") << "c.vcf" << cards({"Doe"}).toUtf8() << "vCard";
    QTest::newRow("CSV") << "c.csv" << QByteArray("First Name,Last Name\nJo,Doe\n") << "CSV";
}

void TstContactImport::toolRefusesATableOutsideAccess() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, kind);
    TestBook book;
    const QString file = writeFile(QDir(book.folder()).filePath(name), content);
    const test::ToolRun run = runTool({"import", file, "--file", book.path(), "--table", "Orders"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("is a %1 file, which has no tables").arg(kind)),
             qPrintable(run.err));
    QCOMPARE(book.count(), 0);
}

void TstContactImport::killedImportIntoANewBookLeavesNoBook() {
    TestBook source(false);
    QCOMPARE(runTool({"generate", "100000", "--file", source.path()}).exitCode, 0);
    const QString cardsFile = QDir(source.folder()).filePath(QStringLiteral("all.vcf"));
    QCOMPARE(runTool({"export", cardsFile, "--file", source.path()}).exitCode, 0);
    for (int round = 0; round < 3; ++round) {
        TestBook book(false);
        QProcess tool;
        tool.start(QStringLiteral(ROLVANE_DB), {"import", cardsFile, "--file", book.path()});
        QVERIFY(tool.waitForStarted());
        QTest::qWait(int(QRandomGenerator::global()->bounded(20, 1500)));
        tool.kill();
        tool.waitForFinished();
        // Either no book at all, or the whole of it.
        if (QFileInfo::exists(book.path())) {
            QCOMPARE(book.count(), 100000);
            QCOMPARE(book.value(QStringLiteral("pragma integrity_check")), QStringLiteral("ok"));
        }
    }
}

QTEST_GUILESS_MAIN(TstContactImport)
#include "tst_contact_import.moc"
