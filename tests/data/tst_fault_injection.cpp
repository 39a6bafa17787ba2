// SPDX-License-Identifier: GPL-3.0-or-later
// A browse-edit-save session run once for every read, write and sync it makes, with that one
// call failing: whatever fails, nothing stored changes but what the user saved, and what the user
// typed is either stored or still on screen. And every save reported done is on the disk, not
// only in the system's cache, which a kill alone would never show.
#include "data/book_connection.h"
#include "support/faulty_vfs.h"
#include "support/test_book.h"
#include "support/test_source.h"

#include <QFile>
#include <QTest>
#include <algorithm>
#include <array>
#include <functional>
#include <sqlite3.h>

using namespace rolvane;
using test::Source;
using test::TestBook;

namespace {

constexpr int kPh1 = 2;
constexpr int kComments = 9;

struct Typed {
    QString lastName; // of the row it was typed into; empty for a new contact
    int column;
    QString text;
};

// What the user does: browse, edit on one row and move on, edit another and Update, add one,
// then pick a letter and delete its contact (Dunn).
std::vector<Typed> runSession(Source& s) {
    std::vector<Typed> typed;
    const auto type = [&](int column, const QString& text) {
        const QString row = s.rs.isAdding() ? QString() : s.last().text();
        s.field(column).type(text);
        typed.push_back({row, column, text});
    };
    s.rs.Refresh();
    s.rs.Recordset().MoveNext();
    type(kPh1, QStringLiteral("555 0101"));
    s.rs.Recordset().MoveNext();
    type(kComments, QString(5000, QLatin1Char('c')));
    s.rs.SaveRecord();
    s.rs.Refresh();
    s.rs.Recordset().MoveLast();
    s.rs.Recordset().AddNew();
    type(0, QStringLiteral("Newcomer"));
    s.rs.Recordset().MoveFirst();
    if (!s.rs.hasPendingEdits()) { // Delete would drop typed text with its row, as it should
        s.rs.setRecordSource(fromView(query::kLetters[3]));
        s.rs.Refresh();
        s.rs.Recordset().Delete();
    }
    return typed;
}

QString column(int index) {
    return fromView(kColumnNames[std::size_t(index)]);
}

QString storedValue(const TestBook& book, const QString& lastName, int index) {
    return book.value(QStringLiteral("select [%1] from Rolvane where [Last Name] = '%2'")
                          .arg(column(index), lastName));
}

// The value as SQL writes it, so NULL, '' and a BLOB all differ.
QString quoted(const TestBook& book, const QString& lastName, int index) {
    return book.value(QStringLiteral("select quote([%1]) from Rolvane where [Last Name] = '%2'")
                          .arg(column(index), lastName));
}

constexpr int kFillers = 300;
constexpr std::array<const char*, 4> kNames = {"Adams", "Baker", "Clark", "Dunn"};

} // namespace

class TstFaultInjection : public QObject {
    Q_OBJECT
private slots:
    void everyFailingCallLeavesStoredRowsSafe_data();
    void everyFailingCallLeavesStoredRowsSafe();
    void everyReportedSaveIsSynced_data();
    void everyReportedSaveIsSynced();
};

void TstFaultInjection::everyFailingCallLeavesStoredRowsSafe_data() {
    QTest::addColumn<int>("writeFailure");
    QTest::newRow("I/O error") << SQLITE_IOERR_WRITE;
    QTest::newRow("disk full") << SQLITE_FULL;
}

void TstFaultInjection::everyFailingCallLeavesStoredRowsSafe() {
    QFETCH(int, writeFailure);
    TestBook templateBook;
    // Enough contacts that the session reads pages beyond the first few.
    const QString filler(400, QLatin1Char('f'));
    for (int i = 0; i < kFillers; ++i)
        templateBook.insert(
            {{"Last Name", QStringLiteral("Filler%1").arg(i, 3, 10, QLatin1Char('0'))},
             {"Comments", filler}});
    for (const char* name : kNames)
        templateBook.insert({{"First Name", QString::fromLatin1(name).left(2)},
                             {"Last Name", QString::fromLatin1(name)},
                             {"Comments", QString::fromLatin1("kept ") + QLatin1String(name)}});

    test::FaultyVfs vfs;
    int total = 0;
    {
        TestBook book(false);
        QVERIFY(QFile::copy(templateBook.path(), book.path()));
        vfs.failAt(0, writeFailure);
        Source s(book.path());
        runSession(s);
        total = vfs.calls();
        vfs.failAt(0, writeFailure);
        QVERIFY2(s.messages().isEmpty(), qPrintable(s.messages().join(u'\n')));
        // Without faults every step of the session does what it says.
        QCOMPARE(book.count(QStringLiteral("[Last Name] = 'Dunn'")), 0);
        QCOMPARE(book.count(QStringLiteral("[First Name] = 'Newcomer'")), 1);
        QCOMPARE(book.count(QStringLiteral("Ph1 = '555 0101'")), 1);
    }
    QVERIFY(total > 20);

    int injected = 0;
    for (int n = 1; n <= total; ++n) {
        TestBook book(false);
        QVERIFY(QFile::copy(templateBook.path(), book.path()));
        Source s(book.path());
        vfs.failAt(n, writeFailure);
        const std::vector<Typed> typed = runSession(s);
        injected += vfs.failed() ? 1 : 0;
        vfs.failAt(0, writeFailure);
        const QString where = QStringLiteral("call %1 of %2").arg(n).arg(total);

        QCOMPARE(book.value(QStringLiteral("pragma integrity_check")), QStringLiteral("ok"));
        // Each typed text is stored where it was typed, or still on screen, pending.
        for (const Typed& t : typed) {
            const bool stored =
                t.lastName.isEmpty()
                    ? book.count(QStringLiteral("[%1] = '%2'").arg(column(t.column), t.text)) >= 1
                    : storedValue(book, t.lastName, t.column) == t.text;
            const bool onScreen = s.field(t.column).text() == t.text && s.rs.hasPendingEdits();
            QVERIFY2(stored || onScreen, qPrintable(where + QStringLiteral(": lost ") + t.text));
        }
        // No contact lost, and the stored values differ from before only where the user typed.
        // (Text typed into a form left blank by a failed read is a new contact, with no last
        // name.)
        const bool dunnDeleted = book.count(QStringLiteral("[Last Name] = 'Dunn'")) == 0;
        QCOMPARE(book.count(QStringLiteral("[Last Name] is not null")),
                 int(kNames.size()) + kFillers - (dunnDeleted ? 1 : 0));
        QCOMPARE(book.count(QStringLiteral("Comments = '%1'").arg(filler)), kFillers);
        for (const char* name : kNames) {
            const QString lastName = QString::fromLatin1(name);
            if (lastName == QLatin1String("Dunn") && dunnDeleted)
                continue;
            for (int c = 0; c < int(kColumnNames.size()); ++c) {
                const QString now = quoted(book, lastName, c);
                if (now == quoted(templateBook, lastName, c))
                    continue;
                const bool typedHere = std::any_of(typed.begin(), typed.end(), [&](const Typed& t) {
                    return t.lastName == lastName && t.column == c &&
                           QStringLiteral("'%1'").arg(t.text) == now;
                });
                QVERIFY2(typedHere, qPrintable(where + QStringLiteral(": ") + lastName +
                                               QStringLiteral(" now holds ") + now.left(40)));
            }
        }
        // A stored row shown is shown as stored, never as blank fields.
        if (s.rs.hasCurrentRow() && !s.rs.isAdding() && !s.rs.hasPendingEdits()) {
            QString shown = s.last().text().isEmpty()
                                ? QStringLiteral("[Last Name] is null")
                                : QStringLiteral("[Last Name] = '%1'").arg(s.last().text());
            for (int c : {0, kPh1, kComments})
                shown += QStringLiteral(" and ifnull([%1], '') = '%2'")
                             .arg(column(c), s.field(c).text());
            QVERIFY2(book.count(shown) == 1, qPrintable(where + QStringLiteral(": ") + shown));
        }
    }
    QVERIFY(injected > 20);
    qInfo("%d faults injected over %d calls, no row lost", injected, total);
}

void TstFaultInjection::everyReportedSaveIsSynced_data() {
    QTest::addColumn<bool>("writeAheadLog");
    QTest::newRow("write-ahead log") << true;
    QTest::newRow("rollback journal") << false;
}

void TstFaultInjection::everyReportedSaveIsSynced() {
    QFETCH(bool, writeAheadLog);
    TestBook book;
    book.insertLastNames({"Adams", "Baker", "Clark"});
    if (!writeAheadLog)
        book.exec(QStringLiteral("pragma journal_mode=delete"));
    test::FaultyVfs vfs;
    vfs.setSharedMemory(writeAheadLog);
    {
        // The connection saves write through, opened as the record source opens it and made
        // ready as before its first write: FULL syncs the log at every commit too, where
        // SQLite's own choice may sync it only at checkpoints.
        BookConnection opened(book.path());
        BookProblem why;
        QVERIFY(opened.open(why));
        QCOMPARE(opened.sharesOneConnection(), !writeAheadLog);
        QCOMPARE(opened.readyToWrite(), SQLITE_OK);
        sqlite::Statement synchronous;
        QCOMPARE(synchronous.prepare(opened.writer(), QStringLiteral("pragma synchronous")),
                 SQLITE_OK);
        QCOMPARE(synchronous.step(), SQLITE_ROW);
        QCOMPARE(synchronous.columnInt64(0), 2); // FULL
    }
    Source s(book.path());
    QVERIFY(s.rs.Refresh());
    // Each way a save happens, and the rows that hold what it stored, once it returns.
    struct Save {
        std::function<bool()> act;
        QString where;
        int count;
    };
    const std::vector<Save> saves = {
        {[&] {
             s.first().type(QStringLiteral("Moved"));
             return s.rs.Recordset().MoveNext();
         },
         QStringLiteral("[First Name] = 'Moved'"), 1},
        {[&] {
             s.first().type(QStringLiteral("Updated"));
             return s.rs.SaveRecord();
         },
         QStringLiteral("[First Name] = 'Updated'"), 1},
        {[&] {
             s.rs.Recordset().AddNew();
             s.first().type(QStringLiteral("Added"));
             return s.rs.Recordset().MoveFirst();
         },
         QStringLiteral("[First Name] = 'Added'"), 1},
        {[&] { return s.rs.Recordset().Delete(); }, QStringLiteral("[Last Name] = 'Adams'"), 0}};
    for (const Save& save : saves) {
        const int syncsBefore = vfs.syncs();
        QVERIFY(save.act());
        QCOMPARE(book.count(save.where), save.count);
        QVERIFY2(vfs.syncs() > syncsBefore, qPrintable(save.where));
        QVERIFY2(vfs.unsyncedFiles() == 0, qPrintable(save.where));
    }
    QVERIFY(s.messages().isEmpty());
}

QTEST_GUILESS_MAIN(TstFaultInjection)
#include "tst_fault_injection.moc"
