// SPDX-License-Identifier: GPL-3.0-or-later
// Each contact keeps one identity that no later contact takes, whatever writes the book: rowid
// reuse, INSERT OR REPLACE, UPDATE of the rowid, a table rebuilt by another tool. The window's
// "Save My Changes" never writes over another contact that took a deleted one's rowid.
#include "data/address_book_file.h"
#include "data/contact_identity.h"
#include "data/sqlite_db.h"
#include "support/test_book.h"
#include "support/test_source.h"

#include <QTest>

using rolvane::test::Source;
using rolvane::test::TestBook;

class TstContactIdentity : public QObject {
    Q_OBJECT
private slots:
    void writersKeepIdentities_data();
    void writersKeepIdentities();
    void rebuiltTableGetsIdentitiesAgain();
    void saveMyChangesNeverOverwritesAnotherContact();
};

namespace {

// "rowid:identity" of every contact, in rowid order.
QString identities(const TestBook& book) {
    return book.value("select group_concat(r.rowid || ':' || ifnull(c.Id, '-'), ' ') from "
                      "(select rowid from Rolvane order by rowid) r left join [Rolvane Contact] c "
                      "on c.Row = r.rowid");
}

} // namespace

void TstContactIdentity::writersKeepIdentities_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("expected");
    // Three contacts, rowids and identities 1 to 3, before each row's SQL.
    QTest::newRow("rowid reused") << "delete from Rolvane where rowid = 3; "
                                     "insert into Rolvane ([Last Name]) values ('Zuber')"
                                  << "1:1 2:2 3:4";
    QTest::newRow("insert or replace") << "insert or replace into Rolvane (rowid, [Last Name]) "
                                          "values (2, 'Zuber')"
                                       << "1:1 2:4 3:3";
    QTest::newRow("rowid changed") << "update Rolvane set rowid = 9 where rowid = 1"
                                   << "2:2 3:3 9:1";
    QTest::newRow("rowid moved over another")
        << "update or replace Rolvane set rowid = 3 where rowid = 1"
        << "2:2 3:1";
    QTest::newRow("eleven values, as other tools insert")
        << "insert into Rolvane values ('A', 'B', '', '', '', '', '', '', '', '', '')"
        << "1:1 2:2 3:3 4:4";
}

void TstContactIdentity::writersKeepIdentities() {
    QFETCH(QString, sql);
    QFETCH(QString, expected);
    TestBook book;
    book.insertLastNames({"Aalto", "Berg", "Cruz"});
    QCOMPARE(identities(book), QStringLiteral("1:1 2:2 3:3"));
    book.exec(sql);
    QCOMPARE(identities(book), expected);
}

void TstContactIdentity::rebuiltTableGetsIdentitiesAgain() {
    TestBook book;
    book.insertLastNames({"Aalto", "Berg", "Cruz"});
    book.exec("delete from Rolvane where rowid = 1");
    // Another tool rebuilds the table (its triggers go with it) and renumbers the rows, as a
    // reload of a dump does.
    book.exec("create table t as select * from Rolvane; drop table Rolvane; "
              "alter table t rename to Rolvane");
    rolvane::sqlite::Connection db;
    QCOMPARE(db.open(book.path()), SQLITE_OK);
    QVERIFY(!rolvane::contactIdentityInstalled(db));
    QVERIFY(!rolvane::contactIdentitySound(db));
    QCOMPARE(rolvane::prepareAddressBook(db), QString());
    QVERIFY(rolvane::contactIdentityInstalled(db));
    QVERIFY(rolvane::contactIdentitySound(db));
    // Old identities named rows that moved: all are new, none taken again.
    QCOMPARE(identities(book), QStringLiteral("1:4 2:5"));
}

void TstContactIdentity::saveMyChangesNeverOverwritesAnotherContact() {
    TestBook book;
    book.insertLastNames({"Aalto", "Zuber"});
    Source window(book.path());
    QVERIFY(window.rs.Refresh());
    QCOMPARE(window.last().text(), QStringLiteral("Aalto"));
    window.field(2).type("555 0101");
    // Meanwhile another program deletes Aalto and adds Zuber 2, which takes Aalto's rowid.
    book.exec("delete from Rolvane where rowid = 1; "
              "insert into Rolvane (rowid, [Last Name], Ph1) values (1, 'Zuber 2', '555 0199')");
    QVERIFY(!window.rs.SaveRecord());
    QVERIFY(window.rs.saveOverOtherChanges());
    QCOMPARE(book.value("select Ph1 from Rolvane where [Last Name] = 'Zuber 2'"),
             QStringLiteral("555 0199"));
    QCOMPARE(book.value("select Ph1 from Rolvane where [Last Name] = 'Aalto'"),
             QStringLiteral("555 0101"));
    QCOMPARE(book.count(), 3);
}

QTEST_GUILESS_MAIN(TstContactIdentity)
#include "tst_contact_identity.moc"
