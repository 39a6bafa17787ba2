// SPDX-License-Identifier: GPL-3.0-or-later
// The record source while the world beside it moves: another copy of the program or another tool
// writing the same book, a table changed under it, a book that cannot take the write-ahead log.
#include "support/faulty_vfs.h"
#include "support/test_book.h"
#include "support/test_source.h"

#include <QTest>

using namespace rolvane;
using test::Source;
using test::TestBook;

namespace {
constexpr int kPh1 = 2;
constexpr int kFax = 7;
constexpr int kComments = 9;

// What the other copy does to the contact both show, through a record source of its own.
enum class Other { DeleteAndAddInItsPlace, SaveAnotherField, Delete };
// What the first copy then does.
enum class Mine { SaveByMoving, SaveRecord, Delete };
} // namespace

class TstOtherWriters : public QObject {
    Q_OBJECT
private slots:
    void writesOverAnotherCopysChangeAreRefused_data();
    void writesOverAnotherCopysChangeAreRefused();
    void rowsDeletedElsewhereAreSkippedAndToldOnce();
    void failedReadKeepsTheRowShownBefore();
    void columnsAreFoundByNameAfterTheTableChanges();
    void untouchedColumnsKeepTheirStoredBytes();
    void typingIntoABlankFormBeginsANewContact();
    void bookWithoutWriteAheadLogStillWorks();
    void savedRowsAreInTheResultOnce_data();
    void savedRowsAreInTheResultOnce();
};

void TstOtherWriters::writesOverAnotherCopysChangeAreRefused_data() {
    QTest::addColumn<Other>("other");
    QTest::addColumn<Mine>("mine");
    QTest::newRow("newcomer in a deleted row's place, then a move")
        << Other::DeleteAndAddInItsPlace << Mine::SaveByMoving;
    QTest::newRow("another field saved, then Update")
        << Other::SaveAnotherField << Mine::SaveRecord;
    QTest::newRow("another field saved, then Delete") << Other::SaveAnotherField << Mine::Delete;
    QTest::newRow("deleted, then a move") << Other::Delete << Mine::SaveByMoving;
}

void TstOtherWriters::writesOverAnotherCopysChangeAreRefused() {
    QFETCH(Other, other);
    QFETCH(Mine, mine);
    TestBook book;
    book.insertLastNames({"Adams", "Baker"});
    Source one(book.path()), two(book.path());
    QVERIFY(one.rs.Refresh() && two.rs.Refresh());
    QVERIFY(one.rs.Recordset().MoveLast() && two.rs.Recordset().MoveLast()); // both on Baker
    const QString bakerRowid = book.value("select rowid from Rolvane where [Last Name] = 'Baker'");

    switch (other) {
    case Other::DeleteAndAddInItsPlace:
        QVERIFY(two.rs.Recordset().Delete());
        QVERIFY(two.rs.Recordset().AddNew());
        two.last().type("Newcomer");
        QVERIFY(two.rs.SaveRecord());
        // SQLite hands the newcomer the deleted contact's rowid: only the values tell them apart.
        QCOMPARE(book.value("select rowid from Rolvane where [Last Name] = 'Newcomer'"),
                 bakerRowid);
        break;
    case Other::SaveAnotherField:
        two.field(kFax).type("555 0100");
        QVERIFY(two.rs.SaveRecord());
        break;
    case Other::Delete:
        QVERIFY(two.rs.Recordset().Delete());
        break;
    }
    const QString before = book.value("select group_concat(quote([Last Name]) || quote(Fax) || "
                                      "quote(Comments) || quote(Ph1)) from Rolvane");

    one.field(kComments).type("Old comment");
    bool done = false;
    switch (mine) {
    case Mine::SaveByMoving:
        done = one.rs.Recordset().MoveFirst();
        break;
    case Mine::SaveRecord:
        done = one.rs.SaveRecord();
        break;
    case Mine::Delete:
        done = one.rs.Recordset().Delete();
        break;
    }
    QVERIFY(!done);
    QCOMPARE(one.messages().size(), 1);
    QVERIFY2(one.messages()[0].contains("another program changed or deleted"),
             qPrintable(one.messages()[0]));
    QCOMPARE(book.value("select group_concat(quote([Last Name]) || quote(Fax) || "
                        "quote(Comments) || quote(Ph1)) from Rolvane"),
             before);
    if (mine == Mine::Delete)
        return;
    // The typed text stays on screen, and Esc is the way out: every action works again.
    QCOMPARE(one.field(kComments).text(), QStringLiteral("Old comment"));
    QVERIFY(one.rs.saveFailed());
    one.rs.cancelEdits();
    QVERIFY(!one.rs.hasPendingEdits());
    one.rs.setRecordSource(fromView(query::kInitial));
    QVERIFY(one.rs.Refresh());
    QCOMPARE(book.value("select group_concat(quote([Last Name]) || quote(Fax) || "
                        "quote(Comments) || quote(Ph1)) from Rolvane"),
             before);
}

void TstOtherWriters::rowsDeletedElsewhereAreSkippedAndToldOnce() {
    TestBook book;
    book.insertLastNames({"A", "B", "C", "D", "E"});
    Source s(book.path());
    QVERIFY(s.rs.Refresh());
    s.rs.Recordset().MoveLast(); // the whole keyset is read
    s.rs.Recordset().MoveFirst();
    book.exec("delete from Rolvane where [Last Name] in ('B', 'C', 'E')");
    const struct {
        bool (Recordset::*move)();
        const char* lands;
    } steps[] = {{&Recordset::MoveNext, "D"},
                 {&Recordset::MoveNext, "D"},
                 {&Recordset::MoveLast, "D"},
                 {&Recordset::MovePrevious, "A"}};
    for (const auto& step : steps) {
        s.messages().clear();
        QVERIFY((s.rs.Recordset().*step.move)());
        QCOMPARE(s.last().text(), QString::fromLatin1(step.lands));
        QVERIFY(s.messages().size() <= 1);
    }
    // Told at the first skip, never again for the same rows.
    book.exec("delete from Rolvane where [Last Name] = 'D'");
    s.messages().clear();
    QVERIFY(s.rs.Recordset().MoveNext());
    QCOMPARE(s.last().text(), QStringLiteral("A")); // the last row left
    QCOMPARE(s.messages().size(), 1);
    QVERIFY(s.messages()[0].contains("deleted by another program"));
    // The only row gone: nothing is current, nothing blank stands over a stored row.
    book.exec("delete from Rolvane");
    QVERIFY(s.rs.Recordset().MoveFirst());
    QVERIFY(s.rs.Recordset().isEOF());
}

void TstOtherWriters::failedReadKeepsTheRowShownBefore() {
    test::FaultyVfs vfs;
    TestBook book;
    book.insert({{"First Name", "Ann"}, {"Last Name", "Adams"}, {"Comments", "kept"}});
    book.insertLastNames({"Baker"});
    Source s(book.path());
    QVERIFY(s.rs.Refresh());
    s.rs.Recordset().MoveLast(); // the whole keyset is read
    QVERIFY(s.rs.Recordset().MoveFirst());
    // Another program writes, so the next row must come from the disk, and that read fails.
    book.exec("update Rolvane set Fax = '1' where [Last Name] = 'Baker'");
    vfs.failAt(1, SQLITE_IOERR_WRITE);
    QVERIFY(!s.rs.Recordset().MoveNext());
    QVERIFY(vfs.failed());
    vfs.failAt(0, SQLITE_IOERR_WRITE);
    QCOMPARE(s.messages().size(), 1);
    QVERIFY2(s.messages()[0].contains("Could not show the contact"), qPrintable(s.messages()[0]));
    QCOMPARE(s.first().text(), QStringLiteral("Ann"));
    QCOMPARE(s.field(kComments).text(), QStringLiteral("kept"));
    // Still the current row: an edit goes to Adams, and nowhere else.
    s.field(kPh1).type("555");
    QVERIFY(s.rs.Recordset().MoveNext());
    QCOMPARE(s.last().text(), QStringLiteral("Baker"));
    QCOMPARE(book.value("select Ph1 || Comments from Rolvane where [Last Name] = 'Adams'"),
             QStringLiteral("555kept"));
}

void TstOtherWriters::columnsAreFoundByNameAfterTheTableChanges() {
    TestBook book;
    book.insert({{"First Name", "Ann"}, {"Last Name", "Baker"}, {"Ph1", "222"}});
    book.insert({{"First Name", "Cy"}, {"Last Name", "Dunn"}, {"Ph1", "333"}});
    Source s(book.path());
    QVERIFY(s.rs.Refresh());
    // Another tool rebuilds the table with its columns in another order.
    book.exec("create table Moved (Ph1 TEXT, [Last Name] TEXT COLLATE NOCASE, Ph2, Ph3, Email, "
              "Bus, Fax, Addy, Comments, [Last Update], [First Name]);"
              "insert into Moved (rowid, Ph1, [Last Name], [First Name]) "
              "select rowid, Ph1, [Last Name], [First Name] from Rolvane;"
              "drop table Rolvane; alter table Moved rename to Rolvane;");
    QVERIFY(s.rs.Recordset().MoveNext());
    QCOMPARE(s.first().text(), QStringLiteral("Cy"));
    QCOMPARE(s.last().text(), QStringLiteral("Dunn"));
    QCOMPARE(s.field(kPh1).text(), QStringLiteral("333"));
    s.first().type("Cyril");
    QVERIFY(s.rs.SaveRecord());
    QCOMPARE(book.value("select [First Name] || '/' || Ph1 from Rolvane where rowid = 2"),
             QStringLiteral("Cyril/333"));
    // A column dropped by another tool is named, and nothing is written.
    book.exec("alter table Rolvane drop column Fax");
    QVERIFY(!s.rs.Recordset().MoveFirst());
    QVERIFY2(s.messages().value(0).contains("Fax"), qPrintable(s.messages().value(0)));
    QCOMPARE(s.last().text(), QStringLiteral("Dunn")); // the row shown before stays
}

void TstOtherWriters::untouchedColumnsKeepTheirStoredBytes() {
    TestBook book;
    book.insert({{"Last Name", "Bytes"}});
    book.exec("update Rolvane set Addy = 'street' || char(13, 10) || 'town', "
              "Comments = 'one' || char(13) || 'two', Fax = x'00ff10', Ph2 = NULL, Ph3 = ''");
    const QString sql = QStringLiteral("select quote(Addy) || quote(Comments) || quote(Fax) || "
                                       "quote(Ph2) || quote(Ph3) || quote(Bus) from Rolvane");
    const QString stored = book.value(sql);
    Source s(book.path());
    QVERIFY(s.rs.Refresh());
    s.field(kPh1).type("555");
    QVERIFY(s.rs.SaveRecord());
    QCOMPARE(book.value("select Ph1 from Rolvane"), QStringLiteral("555"));
    QCOMPARE(book.value(sql), stored);
    // The row as now stored is what the next save compares with.
    s.field(kPh1).type("556");
    QVERIFY(s.rs.SaveRecord());
    QCOMPARE(book.value(sql), stored);
}

void TstOtherWriters::typingIntoABlankFormBeginsANewContact() {
    TestBook book;
    Source s(book.path());
    QVERIFY(s.rs.Refresh());
    QVERIFY(s.rs.Recordset().isEOF());
    s.first().type("Anna");
    QVERIFY(s.rs.Recordset().AddNew()); // as a new user would, after typing
    QCOMPARE(book.count("[First Name] = 'Anna' and [Last Name] is null"), 1);
    // A letter with no contacts leaves the form blank: typing there is a new contact too.
    s.rs.setRecordSource(fromView(query::kLetters[25]));
    QVERIFY(s.rs.Refresh());
    s.last().type("Zed");
    s.rs.setRecordSource(fromView(query::kInitial));
    QVERIFY(s.rs.Refresh());
    QCOMPARE(book.count(), 2);
    QVERIFY(s.messages().isEmpty());
}

void TstOtherWriters::bookWithoutWriteAheadLogStillWorks() {
    TestBook book;
    book.insertLastNames({"A", "B"});
    book.exec("pragma journal_mode=delete");
    test::FaultyVfs vfs;
    vfs.setSharedMemory(false); // the log cannot work without shared memory
    Source s(book.path());
    QVERIFY(s.rs.Refresh());
    s.first().type("Typed");
    QVERIFY(s.rs.Recordset().MoveNext());
    QCOMPARE(s.last().text(), QStringLiteral("B"));
    QVERIFY(s.rs.Recordset().Delete());
    QVERIFY(s.messages().isEmpty());
    QCOMPARE(book.value("pragma journal_mode"), QStringLiteral("delete"));
    QCOMPARE(book.value("select group_concat([Last Name] || [First Name]) from Rolvane"),
             QStringLiteral("ATyped"));
}

void TstOtherWriters::savedRowsAreInTheResultOnce_data() {
    QTest::addColumn<bool>("writeAheadLog");
    QTest::newRow("keys read beside the writer") << true;
    QTest::newRow("keys read over the one connection") << false;
}

// A contact renamed while the result is still being read moves in the index the keys are read
// from, and a new contact is a row the query never returned: each is in the result exactly once.
void TstOtherWriters::savedRowsAreInTheResultOnce() {
    QFETCH(bool, writeAheadLog);
    TestBook book;
    QStringList names;
    for (int i = 0; i < 3000; ++i)
        names << QStringLiteral("N%1").arg(i, 4, 10, QLatin1Char('0'));
    book.insertLastNames(names);
    if (!writeAheadLog)
        book.exec("pragma journal_mode=delete");
    test::FaultyVfs vfs;
    vfs.setSharedMemory(writeAheadLog);
    Source s(book.path());
    QVERIFY(s.rs.Refresh());
    QVERIFY(!s.rs.resultComplete());
    s.last().type("Zed");
    QVERIFY(s.rs.Recordset().MoveNext());
    QVERIFY(s.rs.Recordset().AddNew());
    s.last().type("New");
    QVERIFY(s.rs.Recordset().MoveNext()); // stores it on the way
    QCOMPARE(s.last().text(), QStringLiteral("N0002"));
    QVERIFY(s.rs.Recordset().MoveLast());
    QCOMPARE(s.last().text(), QStringLiteral("New"));
    QCOMPARE(s.rs.keysRead(), size_t(3001));
    QVERIFY(s.rs.Recordset().MovePrevious());
    QCOMPARE(s.last().text(), QStringLiteral("N2999"));
    QVERIFY(s.rs.Recordset().MoveFirst());
    QCOMPARE(s.last().text(), QStringLiteral("Zed"));
    QVERIFY(s.rs.Recordset().Delete());
    QVERIFY2(s.messages().isEmpty(), qPrintable(s.messages().join('\n')));
    QCOMPARE(book.count(), 3000);
    QCOMPARE(book.value("pragma journal_mode"),
             writeAheadLog ? QStringLiteral("wal") : QStringLiteral("delete"));
}

QTEST_GUILESS_MAIN(TstOtherWriters)
#include "tst_other_writers.moc"
