// SPDX-License-Identifier: GPL-3.0-or-later
// Every fixed query text, pinned character for character.
#include "data/query_texts.h"

#include <QTest>
#include <set>

using namespace rolvane;

class TstQueryTexts : public QObject {
    Q_OBJECT
private slots:
    void initialQuery() {
        QCOMPARE(query::kInitial, std::string_view("select * from Rolvane order by [Last Name];"));
    }
    void oneLetterQueryPerButton() {
        std::set<std::string_view> distinct;
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            const std::string expected =
                std::string("select * from Rolvane where [Last Name] like '") + letter +
                "*' order by [Last Name];";
            QCOMPARE(query::kLetters[size_t(letter - 'A')], std::string_view(expected));
            distinct.insert(query::kLetters[size_t(letter - 'A')]);
        }
        QCOMPARE(distinct.size(), size_t(26));
    }
    void searchPieces() {
        QCOMPARE(query::kSearchBase, std::string_view("select * from Rolvane"));
        QCOMPARE(query::kSearchWhere, std::string_view(" where "));
        QCOMPARE(query::kSearchAnd, std::string_view(" and"));
        QCOMPARE(query::kSearchOrder, std::string_view(" order by [Last Name];"));
        QCOMPARE(query::kSearchAll, std::string_view(";"));
        QCOMPARE(query::kCriterionOpen, std::string_view(" ["));
        QCOMPARE(query::kCriterionEquals, std::string_view("] = '"));
        QCOMPARE(query::kCriterionClose, std::string_view("'"));
    }
};

QTEST_GUILESS_MAIN(TstQueryTexts)
#include "tst_query_texts.moc"
