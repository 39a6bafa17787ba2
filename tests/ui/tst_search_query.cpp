// SPDX-License-Identifier: GPL-3.0-or-later
// The search query as composed from the two fields' texts, character for character.
#include "ui/search/search_query.h"

#include <QTest>
#include <array>

using namespace rolvane;
using namespace Qt::StringLiterals;
using ui::SearchField;

class TstSearchQuery : public QObject {
    Q_OBJECT
private slots:
    void composes_data();
    void composes();
    void columnComesFromTheField();
};

void TstSearchQuery::composes_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("expected");
    QTest::newRow("both empty") << ""
                                << ""
                                << "select * from Rolvane;";
    QTest::newRow("last only")
        << ""
        << "Smith"
        << "select * from Rolvane where  [Last Name] = 'Smith' order by [Last Name];";
    QTest::newRow("first only")
        << "John"
        << ""
        << "select * from Rolvane where  [First Name] = 'John' order by [Last Name];";
    QTest::newRow("both") << "John"
                          << "Smith"
                          << "select * from Rolvane where  [First Name] = 'John' and [Last Name] = "
                             "'Smith' order by [Last Name];";
    QTest::newRow("blanks count as filled")
        << ""
        << "   "
        << "select * from Rolvane where  [Last Name] = '   ' order by [Last Name];";
    QTest::newRow("quote doubled")
        << ""
        << "O'Brien"
        << "select * from Rolvane where  [Last Name] = 'O''Brien' order by [Last Name];";
    QTest::newRow("injection stays in the literal")
        << "x'; drop table Rolvane; --"
        << ""
        << "select * from Rolvane where  [First Name] = 'x''; drop table Rolvane; --' order by "
           "[Last Name];";
    QTest::newRow("wildcards as typed")
        << "*"
        << "[A]%_"
        << "select * from Rolvane where  [First Name] = '*' and [Last Name] = '[A]%_' order by "
           "[Last Name];";
}

void TstSearchQuery::composes() {
    QFETCH(QString, first);
    QFETCH(QString, last);
    const std::array fields{SearchField{u"First Name"_s, first}, SearchField{u"Last Name"_s, last}};
    QFETCH(QString, expected);
    QCOMPARE(ui::composeSearchQuery(fields), expected);
}

void TstSearchQuery::columnComesFromTheField() {
    // The fields are visited in the order given, each criterion naming the field's own column.
    // Every filled field counts, however many there are.
    const std::array fields{SearchField{u"Email"_s, u""_s}, SearchField{u"Fax"_s, u"1"_s},
                            SearchField{u"Ph1"_s, u"2"_s}, SearchField{u"Ph2"_s, u"3"_s}};
    QCOMPARE(ui::composeSearchQuery(fields),
             QStringLiteral("select * from Rolvane where  [Fax] = '1' and [Ph1] = '2' and [Ph2] = "
                            "'3' order by [Last Name];"));
}

QTEST_APPLESS_MAIN(TstSearchQuery)
#include "tst_search_query.moc"
