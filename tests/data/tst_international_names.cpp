// SPDX-License-Identifier: GPL-3.0-or-later
// Names in many scripts through the record source: last-name order, the letter buttons, the
// search, and books made before the collation, upgraded in place without losing a row.
#include "data/address_book_file.h"
#include "data/contact_table.h"
#include "data/name_collation.h"
#include "data/query_texts.h"
#include "data/record_source.h"
#include "data/text_view.h"
#include "support/test_book.h"
#include "support/test_source.h"
#include "ui/search/search_query.h"

#include <QTest>
#include <array>
#include <memory>
#include <sqlite3.h>

using namespace rolvane;
using test::TestBook;

namespace {

const QStringList kNames = {QStringLiteral("Zimmer"),   QStringLiteral("Öztürk"),
                            QStringLiteral("Ångström"), QStringLiteral("Éluard"),
                            QStringLiteral("Brook"),    QStringLiteral("abbot"),
                            QStringLiteral("47th"),     QString(),
                            QStringLiteral("Łumwell"),  QStringLiteral("Ωmega")};

// Every last name a query's result lists, in order; none when it fails or finds nothing.
QStringList run(test::Source& s, const QString& query) {
    s.rs.setRecordSource(query);
    if (!s.rs.Refresh() || s.rs.Recordset().isEOF())
        return {};
    return s.walk();
}

// The first schema, as the set-up tool wrote it before the collation.
void makeOldBook(const TestBook& book) {
    QStringList columns;
    for (std::string_view column : kColumnNames)
        columns << QStringLiteral("[%1] TEXT COLLATE NOCASE").arg(fromView(column));
    const QString sql = QStringLiteral("create table [Rolvane] (%1); create index [Rolvane by "
                                       "Last Name] on [Rolvane] ([Last Name]);")
                            .arg(columns.join(QStringLiteral(", ")));
    sqlite3* db = nullptr;
    sqlite3_open(book.path().toUtf8().constData(), &db);
    QCOMPARE(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

// Every row with its rowid, every value quoted: equal books give equal texts.
QString everything(const TestBook& book) {
    return book.value(QStringLiteral(
        "select group_concat(rowid || quote([First Name]) || quote([Last Name]) || quote(Ph1) || "
        "quote(Comments) || quote([Last Update]), char(10)) from (select rowid, * from Rolvane "
        "order by rowid)"));
}

QString lastNameIndex(const TestBook& book) {
    return book.value(QStringLiteral(
        "select sql from sqlite_master where type = 'index' and tbl_name = 'Rolvane'"));
}

// SQLite's own check, with the collation the index needs.
QString integrity(const QString& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    collation::registerCollation(db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "pragma integrity_check", -1, &stmt, nullptr);
    QStringList lines;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        lines << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return lines.join(QLatin1Char('\n'));
}

QString search(const QString& lastName) {
    const std::array fields = {ui::SearchField{QStringLiteral("First Name"), QString()},
                               ui::SearchField{QStringLiteral("Last Name"), lastName}};
    return ui::composeSearchQuery(fields);
}

} // namespace

class TstInternationalNames : public QObject {
    Q_OBJECT
private slots:
    void lastNameOrder();
    void letters_data();
    void letters();
    void searches_data();
    void searches();
    void oldBookIsUpgradedAndLosesNothing();
    void indexOfAnotherCollatorIsRebuilt();
};

void TstInternationalNames::lastNameOrder() {
    TestBook book;
    book.insertLastNames(kNames);
    test::Source s(book.path());
    QCOMPARE(
        run(s, fromView(query::kInitial)),
        (QStringList{QString(), QStringLiteral("47th"), QStringLiteral("abbot"),
                     QStringLiteral("Ångström"), QStringLiteral("Brook"), QStringLiteral("Éluard"),
                     QStringLiteral("Łumwell"), QStringLiteral("Öztürk"), QStringLiteral("Zimmer"),
                     QStringLiteral("Ωmega")}));
    QVERIFY(s.messages().isEmpty());
}

void TstInternationalNames::letters_data() {
    QTest::addColumn<int>("letter");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("A") << 0 << QStringList{QStringLiteral("abbot"), QStringLiteral("Ångström")};
    QTest::newRow("B") << 1 << QStringList{QStringLiteral("Brook")};
    QTest::newRow("E") << 4 << QStringList{QStringLiteral("Éluard")};
    QTest::newRow("L") << 11 << QStringList{QStringLiteral("Łumwell")};
    QTest::newRow("O") << 14 << QStringList{QStringLiteral("Öztürk")};
    QTest::newRow("W") << 22 << QStringList{};
    QTest::newRow("Z") << 25 << QStringList{QStringLiteral("Zimmer")};
}

void TstInternationalNames::letters() {
    QFETCH(int, letter);
    QFETCH(QStringList, names);
    TestBook book;
    book.insertLastNames(kNames);
    test::Source s(book.path());
    QCOMPARE(run(s, fromView(query::kLetters[size_t(letter)])), names);
    QVERIFY(s.messages().isEmpty());
}

void TstInternationalNames::searches_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("found");
    QTest::newRow("lower case") << "öztürk"
                                << "Öztürk";
    QTest::newRow("capitals") << "ÅNGSTRÖM"
                              << "Ångström";
    QTest::newRow("Greek") << "ωMEGA"
                           << "Ωmega";
    QTest::newRow("ASCII case") << "ZIMMER"
                                << "Zimmer";
    QTest::newRow("accents count") << "Eluard" << QString();
    QTest::newRow("whole name only") << "Zim" << QString();
    QTest::newRow("quote") << "O'Brien" << QString();
    QTest::newRow("NUL") << QStringLiteral("Zimmer") + QChar(0) << QString();
    QTest::newRow("NUL alone") << QString(QChar(0)) << QString();
}

void TstInternationalNames::searches() {
    QFETCH(QString, typed);
    QFETCH(QString, found);
    TestBook book;
    book.insertLastNames(kNames);
    test::Source s(book.path());
    QCOMPARE(run(s, search(typed)), found.isNull() ? QStringList() : QStringList{found});
    // Not found is an empty result, never a failure.
    QVERIFY2(s.messages().isEmpty(), qPrintable(s.messages().join(QLatin1Char('\n'))));
}

void TstInternationalNames::oldBookIsUpgradedAndLosesNothing() {
    TestBook book(false);
    makeOldBook(book);
    book.exec(QStringLiteral(
        "insert into Rolvane (rowid, [First Name], [Last Name], Ph1, Comments) values "
        "(3, 'Ann', 'Zimmer', '555', 'line' || char(13, 10) || 'two'), "
        "(9, NULL, 'Öztürk', NULL, x'00ff'), (10, 'Bo', 'ångström', '', ''), "
        "(40, 'Cy', 'abbot', '1', NULL), (41, 'Di', '', NULL, NULL)"));
    book.exec(QStringLiteral("delete from Rolvane where rowid = 10"));
    const QString before = everything(book);
    QCOMPARE(book.value(QStringLiteral("pragma user_version")), QStringLiteral("0"));

    test::Source s(book.path());
    QCOMPARE(run(s, fromView(query::kInitial)),
             (QStringList{QString(), QStringLiteral("abbot"), QStringLiteral("Öztürk"),
                          QStringLiteral("Zimmer")}));
    QVERIFY(s.messages().isEmpty());
    QCOMPARE(everything(book), before);
    QCOMPARE(book.value(QStringLiteral("pragma user_version")), QString::number(kSchemaVersion));
    QVERIFY2(lastNameIndex(book).contains(QLatin1String("collate rolvane_text")),
             qPrintable(lastNameIndex(book)));
    QCOMPARE(integrity(book.path()), QStringLiteral("ok"));
    // A second opening finds nothing to do, and a book made now has the same schema.
    test::Source again(book.path());
    QCOMPARE(run(again, fromView(query::kLetters[0])), QStringList{QStringLiteral("abbot")});
    TestBook fresh;
    const QString schema = QStringLiteral("select group_concat(sql, ';') from sqlite_master");
    QCOMPARE(fresh.value(schema), book.value(schema));
}

void TstInternationalNames::indexOfAnotherCollatorIsRebuilt() {
    TestBook book;
    // Another collator's order, here the reverse of ours, left in the index.
    sqlite3* other = nullptr;
    sqlite3_open(book.path().toUtf8().constData(), &other);
    sqlite3_create_collation(other, "rolvane_text", SQLITE_UTF8, nullptr,
                             [](void*, int la, const void* a, int lb, const void* b) {
                                 return -collation::compare(
                                     {static_cast<const char*>(a), size_t(la)},
                                     {static_cast<const char*>(b), size_t(lb)});
                             });
    sqlite3_exec(other,
                 "insert into Rolvane ([Last Name]) values ('Brook'), ('abbot'), ('Zimmer'), "
                 "('Ångström'); update [Rolvane Collation] set Version = '1.0'",
                 nullptr, nullptr, nullptr);
    sqlite3_close(other);
    QVERIFY(integrity(book.path()) != QStringLiteral("ok"));

    test::Source s(book.path());
    QCOMPARE(run(s, fromView(query::kLetters[0])),
             (QStringList{QStringLiteral("abbot"), QStringLiteral("Ångström")}));
    QVERIFY(s.messages().isEmpty());
    QCOMPARE(integrity(book.path()), QStringLiteral("ok"));
    QCOMPARE(book.value(QStringLiteral("select Version from [Rolvane Collation]")),
             QString::fromStdString(collation::collatorVersion()));
}

QTEST_GUILESS_MAIN(TstInternationalNames)
#include "tst_international_names.moc"
