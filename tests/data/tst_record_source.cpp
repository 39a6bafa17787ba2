// SPDX-License-Identifier: GPL-3.0-or-later
// The record source against real address book files: order, moves, the lazy keyset, pending
// edits, every failure it reports, and texts of any size and script.
#include "data/contact_table.h"
#include "data/query_texts.h"
#include "data/record_source.h"
#include "data/text_view.h"
#include "support/fake_field.h"
#include "support/test_book.h"
#include "support/test_source.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <array>
#include <memory>
#include <sqlite3.h>

using namespace rolvane;
using test::FakeField;
using test::TestBook;

using test::Source;

class TstRecordSource : public QObject {
    Q_OBJECT
private slots:
    void initialQueryShowsFirstByLastName();
    void movesStopAtEitherEnd();
    void keysetIsReadLazily();
    void letterQueriesSelectByFirstLetterIgnoringCase();
    void searchFormsCompareWholeTextIgnoringCase();
    void editsAreWrittenWhenTheRowIsLeft();
    void newRowsAreStoredOnlyWhenTyped();
    void deleteRemovesOnlyTheCurrentRow();
    void keysetKeepsItsOrderWhileRowsChange();
    void noSnapshotIsHeldOnceIdle();
    void noCurrentRowIsReported();
    void missingFileIsReportedAndNotCreated();
    void foreignFilesAreReportedAndLeftUnchanged();
    void missingTableOrColumnIsReported();
    void lockedFileIsReportedAfterAShortWait();
    void badQueryTextIsReportedAndChangesNothing();
    void textsOfAnySizeAndScriptRoundTrip();
};

void TstRecordSource::initialQueryShowsFirstByLastName() {
    TestBook book;
    book.insert({{"First Name", "Zoe"}, {"Last Name", "Smith"}});
    book.insert({{"First Name", "Al"}, {"Last Name", "adams"}});
    book.insert({{"First Name", "Bo"}, {"Last Name", "Brown"}, {"Addy", "1 Main St\nTown"}});
    Source s(book.path());
    QVERIFY(s.rs.Refresh());
    QCOMPARE(s.first().text(), QStringLiteral("Al"));
    QCOMPARE(s.last().text(), QStringLiteral("adams"));
    QVERIFY(!s.rs.Recordset().isEOF());
    QCOMPARE(s.walk(), QStringList({"adams", "Brown", "Smith"}));
    QVERIFY(s.messages().isEmpty());
}

void TstRecordSource::movesStopAtEitherEnd() {
    TestBook book;
    book.insertLastNames({"A", "B", "C"});
    Source s(book.path());
    s.rs.Refresh();
    s.rs.Recordset().MovePrevious();
    QCOMPARE(s.last().text(), QStringLiteral("A"));
    s.rs.Recordset().MoveLast();
    QCOMPARE(s.last().text(), QStringLiteral("C"));
    s.rs.Recordset().MoveNext();
    QCOMPARE(s.last().text(), QStringLiteral("C"));
    s.rs.Recordset().MovePrevious();
    QCOMPARE(s.last().text(), QStringLiteral("B"));
    s.rs.Recordset().MoveFirst();
    QCOMPARE(s.last().text(), QStringLiteral("A"));
}

void TstRecordSource::keysetIsReadLazily() {
    TestBook book;
    book.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n "
                             "where i < 5000) insert into Rolvane ([Last Name]) "
                             "select printf('N%05d', i) from n"));
    Source s(book.path());
    s.rs.Refresh();
    QCOMPARE(s.last().text(), QStringLiteral("N00001"));
    QCOMPARE(s.rs.keysRead(), size_t(1));
    QVERIFY(!s.rs.resultComplete());
    s.rs.Recordset().MoveLast();
    QCOMPARE(s.last().text(), QStringLiteral("N05000"));
    QCOMPARE(s.rs.keysRead(), size_t(5000));
    QVERIFY(s.rs.resultComplete());
}

void TstRecordSource::letterQueriesSelectByFirstLetterIgnoringCase() {
    TestBook book;
    book.insertLastNames({"Adams", "adler", "Baker", "", "1st", " Ames", "Zed", "zulu", "'Able"});
    book.insert({{"First Name", "NoLast"}});
    Source s(book.path());
    s.rs.setRecordSource(fromView(query::kLetters[0]));
    s.rs.Refresh();
    QCOMPARE(s.walk(), QStringList({"Adams", "adler"}));
    s.rs.setRecordSource(fromView(query::kLetters[25]));
    s.rs.Refresh();
    QCOMPARE(s.walk(), QStringList({"Zed", "zulu"}));
    s.rs.setRecordSource(fromView(query::kLetters[16])); // Q: nobody
    s.rs.Refresh();
    QVERIFY(s.rs.Recordset().isEOF());
    QCOMPARE(s.last().text(), QString());
    // Empty and NULL last names, digits, blanks and punctuation are only in the full list.
    s.rs.setRecordSource(fromView(query::kInitial));
    s.rs.Refresh();
    QCOMPARE(s.walk().size(), 10);
    QVERIFY(s.messages().isEmpty());
}

void TstRecordSource::searchFormsCompareWholeTextIgnoringCase() {
    TestBook book;
    book.insert({{"First Name", "John"}, {"Last Name", "Smith"}});
    book.insert({{"First Name", "Jane"}, {"Last Name", "smith"}});
    book.insert({{"First Name", "John"}, {"Last Name", "Smithers"}});
    book.insert({{"First Name", "Pat"}, {"Last Name", "O'Brien"}});
    Source s(book.path());
    s.rs.setRecordSource(
        "select * from Rolvane where  [Last Name] = 'SMITH' order by [Last Name];");
    s.rs.Refresh();
    QCOMPARE(s.walk(), QStringList({"Smith", "smith"}));
    s.rs.setRecordSource("select * from Rolvane where  [First Name] = 'john' and [Last Name] = "
                         "'Smith' order by [Last Name];");
    s.rs.Refresh();
    QCOMPARE(s.walk(), QStringList({"Smith"}));
    s.rs.setRecordSource("select * from Rolvane where  [Last Name] = 'O''Brien' order by "
                         "[Last Name];");
    s.rs.Refresh();
    QCOMPARE(s.walk(), QStringList({"O'Brien"}));
    s.rs.setRecordSource("select * from Rolvane;");
    s.rs.Refresh();
    QCOMPARE(s.walk().size(), 4);
}

void TstRecordSource::editsAreWrittenWhenTheRowIsLeft() {
    TestBook book;
    book.insertLastNames({"A", "B"});
    Source s(book.path());
    s.rs.Refresh();
    s.first().type("Typed");
    s.rs.Recordset().MoveNext();
    QCOMPARE(book.value("select [First Name] from Rolvane where [Last Name] = 'A'"),
             QStringLiteral("Typed"));
    s.first().type("Again");
    s.rs.Refresh(); // a new query leaves the row too
    QCOMPARE(book.value("select [First Name] from Rolvane where [Last Name] = 'B'"),
             QStringLiteral("Again"));
    // Save writes what was typed; discarding forgets typing.
    s.fields[10]->type("stamp");
    QVERIFY(s.rs.SaveRecord());
    QCOMPARE(book.value("select [Last Update] from Rolvane where [Last Name] = 'A'"),
             QStringLiteral("stamp"));
    s.first().type("Dropped");
    s.rs.discardPending();
    s.rs.Recordset().MoveNext();
    QCOMPARE(book.count("[First Name] = 'Dropped'"), 0);
}

void TstRecordSource::newRowsAreStoredOnlyWhenTyped() {
    TestBook book;
    book.insertLastNames({"A", "B", "C"});
    Source s(book.path());
    s.rs.Refresh();
    s.rs.Recordset().MoveNext(); // on B
    QVERIFY(s.rs.Recordset().AddNew());
    QCOMPARE(s.last().text(), QString());
    QVERIFY(s.rs.Recordset().AddNew()); // twice: still nothing stored
    s.rs.Recordset().MoveNext();
    QCOMPARE(book.count(), 3);
    QCOMPARE(s.last().text(), QStringLiteral("C")); // moved on from B
    s.rs.Recordset().AddNew();
    s.rs.setRecordSource(fromView(query::kLetters[0]));
    s.rs.Refresh(); // Add, then a letter: still nothing stored
    QCOMPARE(book.count(), 3);
    s.rs.Recordset().AddNew();
    s.last().type("New");
    s.rs.Recordset().MoveFirst();
    QCOMPARE(book.count("[Last Name] = 'New'"), 1);
    s.rs.Recordset().AddNew();
    s.last().type("Saved");
    QVERIFY(s.rs.SaveRecord());
    QCOMPARE(book.count("[Last Name] = 'Saved'"), 1);
    QCOMPARE(book.count(), 5);
}

void TstRecordSource::deleteRemovesOnlyTheCurrentRow() {
    TestBook book;
    book.insertLastNames({"A", "B", "C"});
    Source s(book.path());
    s.rs.Refresh();
    s.rs.Recordset().MoveNext();
    QVERIFY(s.rs.Recordset().Delete());
    QCOMPARE(book.count(), 2);
    QCOMPARE(book.count("[Last Name] = 'B'"), 0);
    QCOMPARE(s.last().text(), QStringLiteral("C"));
    // A pending new row is discarded, no stored row goes.
    s.rs.Recordset().AddNew();
    s.last().type("Pending");
    QVERIFY(s.rs.Recordset().Delete());
    QCOMPARE(book.count(), 2);
    s.rs.Refresh();
    s.rs.Recordset().Delete();
    s.rs.Recordset().Delete();
    QVERIFY(s.rs.Recordset().isEOF());
    QCOMPARE(book.count(), 0);
    QCOMPARE(s.last().text(), QString());
}

void TstRecordSource::keysetKeepsItsOrderWhileRowsChange() {
    TestBook book;
    book.insertLastNames({"A", "B", "C", "D", "E"});
    Source s(book.path());
    s.rs.Refresh();
    // Renaming the current row to sort last must not show it twice before the next Refresh.
    s.last().type("Zz");
    QStringList seen{"Zz"};
    for (int i = 0; i < 6; ++i) {
        s.rs.Recordset().MoveNext();
        if (seen.back() != s.last().text())
            seen << s.last().text();
    }
    QCOMPARE(seen, QStringList({"Zz", "B", "C", "D", "E"}));
    QCOMPARE(book.count("[Last Name] = 'Zz'"), 1);
}

void TstRecordSource::noSnapshotIsHeldOnceIdle() {
    TestBook book;
    QStringList names;
    for (int i = 0; i < 50; ++i)
        names << QStringLiteral("Name%1").arg(i, 2, 10, QLatin1Char('0'));
    book.insertLastNames(names);
    Source s(book.path());
    const auto idle = [&s] {
        QDeadlineTimer deadline(5000);
        while (!s.rs.resultComplete() && !deadline.hasExpired())
            QCoreApplication::processEvents();
        return s.rs.resultComplete();
    };
    // Each edit is written as Update does (save, Refresh), with the idle time a user leaves.
    // Long comments spill into overflow pages: 300 edits write some 3000 pages.
    const QString comment(20000, QLatin1Char('c'));
    for (int i = 0; i < 300; ++i) {
        s.first().type(QStringLiteral("Edit %1").arg(i));
        s.fields[9]->type(comment + QString::number(i));
        QVERIFY(s.rs.SaveRecord());
        QVERIFY(s.rs.Refresh());
        QVERIFY(!s.rs.resultComplete()); // the first row shows before the rest is read
        QVERIFY(idle());
    }
    const qint64 pageSize = book.value("pragma page_size").toLongLong();
    // With no snapshot held, SQLite starts the log over after about 1000 pages.
    QVERIFY2(QFileInfo(book.path() + "-wal").size() < 1200 * (pageSize + 24),
             qPrintable(QString::number(QFileInfo(book.path() + "-wal").size())));
    // Another program can copy the whole log back and empty it while the program sits idle.
    sqlite3* other = nullptr;
    sqlite3_open(book.path().toUtf8().constData(), &other);
    sqlite3_exec(other, "pragma schema_version", nullptr, nullptr, nullptr); // finds the log
    QCOMPARE(
        sqlite3_wal_checkpoint_v2(other, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(other);
    QCOMPARE(QFileInfo(book.path() + "-wal").size(), 0);
    QCOMPARE(book.count("[First Name] = 'Edit 299'"), 1);
    QVERIFY(s.messages().isEmpty());
}

void TstRecordSource::noCurrentRowIsReported() {
    TestBook book;
    Source s(book.path());
    QVERIFY(s.rs.Refresh());
    QVERIFY(s.rs.Recordset().isEOF() && s.rs.Recordset().isBOF());
    QVERIFY(!s.rs.SaveRecord());
    QVERIFY(!s.rs.Recordset().Delete());
    QCOMPARE(s.messages().size(), 2);
    QVERIFY(s.messages()[0].contains("no contact is shown"));
    QCOMPARE(book.count(), 0);
}

void TstRecordSource::missingFileIsReportedAndNotCreated() {
    TestBook book(false);
    Source s(book.path());
    QVERIFY(!s.rs.Refresh());
    QCOMPARE(s.messages().size(), 1);
    QVERIFY(s.messages()[0].contains(book.path()));
    QVERIFY(s.messages()[0].contains("rolvane-db create"));
    QVERIFY(!QFile::exists(book.path()));
    QVERIFY(s.rs.Recordset().isEOF());
}

void TstRecordSource::foreignFilesAreReportedAndLeftUnchanged() {
    // Each file, and what its message must tell beside the path.
    const QList<std::pair<QByteArray, QString>> files = {
        {QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 19) + QByteArray(4000, 'j'),
         "rolvane-db import"},
        {QByteArray("\x00\x01\x00\x00Standard ACE DB\x00", 19) + QByteArray(4000, 'a'),
         "rolvane-db import"},
        {QByteArray::fromHex("deadbeef").repeated(3000), "not an address book"},
        {QByteArray(), "no contact table"}};
    for (const auto& [bytes, told] : files) {
        TestBook book(false);
        QFile f(book.path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        Source s(book.path());
        QVERIFY(!s.rs.Refresh());
        s.rs.Recordset().AddNew();
        s.last().type("x");
        s.rs.SaveRecord();
        QVERIFY(!s.messages().isEmpty());
        QVERIFY2(s.messages()[0].contains(book.path()), qPrintable(s.messages()[0]));
        QVERIFY2(s.messages()[0].contains(told), qPrintable(s.messages()[0]));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
        QVERIFY(!QFile::exists(book.path() + "-wal"));
    }
}

void TstRecordSource::missingTableOrColumnIsReported() {
    TestBook noTable(false);
    {
        sqlite3* db = nullptr;
        sqlite3_open(noTable.path().toUtf8().constData(), &db);
        sqlite3_exec(db, "create table Other (x)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    Source a(noTable.path());
    QVERIFY(!a.rs.Refresh());
    QVERIFY2(a.messages().value(0).contains("no contact table \"Rolvane\""),
             qPrintable(a.messages().value(0)));

    TestBook noColumn;
    noColumn.exec("alter table Rolvane drop column Fax");
    Source b(noColumn.path());
    QVERIFY(!b.rs.Refresh());
    QVERIFY2(b.messages().value(0).contains("no column \"Fax\""),
             qPrintable(b.messages().value(0)));
}

void TstRecordSource::lockedFileIsReportedAfterAShortWait() {
    TestBook book;
    book.insertLastNames({"A"});
    Source s(book.path());
    s.rs.Refresh();
    sqlite3* other = nullptr;
    sqlite3_open(book.path().toUtf8().constData(), &other);
    QCOMPARE(sqlite3_exec(other, "begin immediate", nullptr, nullptr, nullptr), SQLITE_OK);
    s.first().type("Blocked");
    QVERIFY(!s.rs.SaveRecord());
    QVERIFY2(s.messages().value(0).contains("another program"), qPrintable(s.messages().value(0)));
    QCOMPARE(s.first().text(), QStringLiteral("Blocked")); // nothing typed is lost
    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    QVERIFY(s.rs.SaveRecord());
    QCOMPARE(book.value("select [First Name] from Rolvane"), QStringLiteral("Blocked"));
}

void TstRecordSource::badQueryTextIsReportedAndChangesNothing() {
    TestBook book;
    book.insertLastNames({"A", "B"});
    Source s(book.path());
    for (const char* text : {"select * from Rolvane where [Last Name] = 'x'; drop table Rolvane;",
                             "select * from Rolvane where [Last Name] = 'unclosed",
                             "select * from Rolvane where [Nope] = 'x';"}) {
        s.messages().clear();
        s.rs.setRecordSource(text);
        QVERIFY(!s.rs.Refresh());
        QCOMPARE(s.messages().size(), 1);
        QVERIFY(s.rs.Recordset().isEOF());
    }
    QCOMPARE(book.count(), 2);
}

void TstRecordSource::textsOfAnySizeAndScriptRoundTrip() {
    TestBook book;
    const QString huge = QString(1 << 20, QLatin1Char('c')) + QStringLiteral("end");
    const std::array<QString, 4> texts = {
        huge, QString::fromUtf8("\xF0\x9F\x98\x80 \xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB"),
        QString::fromUtf8("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD8\xB3\xD9\x84\xD8\xA7\xD9\x85"),
        QStringLiteral("line 1\nline 2\r\n\tline 3 'quoted' \"too\"")};
    Source s(book.path());
    s.rs.Refresh();
    for (const QString& text : texts) {
        s.rs.Recordset().AddNew();
        s.last().type(text.left(40));
        s.fields[9]->type(text);
        QVERIFY(s.rs.SaveRecord());
    }
    s.rs.Refresh();
    for (const QString& text : texts) {
        s.rs.setRecordSource(QStringLiteral("select * from Rolvane where [Last Name] = '%1';")
                                 .arg(text.left(40).replace("'", "''")));
        s.rs.Refresh();
        QCOMPARE(s.fields[9]->text(), text);
    }
    QVERIFY(s.messages().isEmpty());
}

QTEST_GUILESS_MAIN(TstRecordSource)
#include "tst_record_source.moc"
