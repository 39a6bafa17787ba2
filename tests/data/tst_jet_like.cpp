// The Jet pattern matcher as a table of patterns and texts, and the translation of query texts.
#include "data/jet_dialect.h"
#include "data/jet_like.h"
#include "data/query_texts.h"
#include "support/test_book.h"

#include <QTest>
#include <sqlite3.h>

using namespace rolvane;

class TstJetLike : public QObject {
    Q_OBJECT
private slots:
    void matches_data();
    void matches();
    void malformedPatternsAreRefused();
    void literalPrefixStopsAtFirstWildcard();
    void translatesEveryQueryText();
    void refusesWhatIsNotOneSelect();
    void letterQueryIsServedByTheIndex();
};

void TstJetLike::matches_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("prefix") << "A*"
                            << "Adams" << true;
    QTest::newRow("prefix ignores case") << "A*"
                                         << "adams" << true;
    QTest::newRow("prefix lower pattern") << "a*"
                                          << "ADAMS" << true;
    QTest::newRow("prefix other letter") << "A*"
                                         << "Smith" << false;
    QTest::newRow("prefix empty text") << "A*"
                                       << "" << false;
    QTest::newRow("prefix digit") << "A*"
                                  << "1st Street" << false;
    QTest::newRow("star on empty") << "*"
                                   << "" << true;
    QTest::newRow("whole text") << "Smith"
                                << "smith" << true;
    QTest::newRow("whole text is not prefix") << "Smith"
                                              << "Smithers" << false;
    QTest::newRow("one char") << "?"
                              << "a" << true;
    QTest::newRow("one char on empty") << "?"
                                       << "" << false;
    QTest::newRow("one char on two") << "?"
                                     << "ab" << false;
    QTest::newRow("one char on emoji") << "?" << QString::fromUtf8("\xF0\x9F\x98\x80") << true;
    QTest::newRow("digit") << "#"
                           << "7" << true;
    QTest::newRow("digit on letter") << "#"
                                     << "x" << false;
    QTest::newRow("set range") << "[a-c]*"
                               << "Bob" << true;
    QTest::newRow("set range miss") << "[a-c]*"
                                    << "dan" << false;
    QTest::newRow("negated set") << "[!a-c]*"
                                 << "dan" << true;
    QTest::newRow("negated set miss") << "[!a-c]*"
                                      << "Bob" << false;
    QTest::newRow("set list") << "[xyz]"
                              << "Y" << true;
    QTest::newRow("suffix") << "*son"
                            << "Jackson" << true;
    QTest::newRow("suffix miss") << "*son"
                                 << "Sonny" << false;
    QTest::newRow("backtracking") << "a*b*c"
                                  << "aXbYbZc" << true;
    QTest::newRow("backtracking miss") << "a*b*c"
                                       << "aXcYb" << false;
    QTest::newRow("bracketed star is literal") << "[*]"
                                               << "*" << true;
    QTest::newRow("bracketed star not any") << "[*]"
                                            << "a" << false;
    QTest::newRow("empty brackets match nothing") << "a[]b"
                                                  << "ab" << true;
    QTest::newRow("percent is literal") << "%"
                                        << "%" << true;
    QTest::newRow("percent is not a wildcard") << "%"
                                               << "abc" << false;
    QTest::newRow("underscore is literal") << "_"
                                           << "x" << false;
    QTest::newRow("quote") << "O'B*"
                           << "o'brien" << true;
    QTest::newRow("only ASCII letters fold")
        << QString::fromUtf8("\xC3\xA9*") << QString::fromUtf8("\xC3\x89t\xC3\xA9") << false;
    QTest::newRow("non-ASCII exact")
        << QString::fromUtf8("\xC3\xA9*") << QString::fromUtf8("\xC3\xA9t\xC3\xA9") << true;
}

void TstJetLike::matches() {
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, expected);
    const auto parsed = jet::LikePattern::parse(pattern.toStdString());
    QVERIFY(parsed);
    QCOMPARE(parsed->matches(text.toStdString()), expected);
}

void TstJetLike::malformedPatternsAreRefused() {
    QVERIFY(!jet::LikePattern::parse("[abc"));
    QVERIFY(!jet::LikePattern::parse("A*["));
    const auto translated = jet::toKeysetSql("select * from Rolvane where [Last Name] like '[A*';");
    QVERIFY(translated.sql.empty());
    QVERIFY(!translated.error.empty());
}

void TstJetLike::literalPrefixStopsAtFirstWildcard() {
    QCOMPARE(jet::LikePattern::parse("Mc*")->literalPrefix(), std::u32string(U"Mc"));
    QCOMPARE(jet::LikePattern::parse("Ab?d")->literalPrefix(), std::u32string(U"Ab"));
    QCOMPARE(jet::LikePattern::parse("*son")->literalPrefix(), std::u32string());
    QCOMPARE(jet::LikePattern::parse("[A]x")->literalPrefix(), std::u32string());
}

void TstJetLike::translatesEveryQueryText() {
    QCOMPARE(jet::toKeysetSql(query::kInitial).sql,
             std::string("select rowid from Rolvane order by [Last Name]"));
    QCOMPARE(jet::toKeysetSql("select * from Rolvane;").sql,
             std::string("select rowid from Rolvane"));
    QCOMPARE(jet::toKeysetSql(query::kLetters[0]).sql,
             std::string("select rowid from Rolvane where ([Last Name] collate nocase >= 'a' and "
                         "[Last Name] collate nocase < 'b' and jet_like('A*', [Last Name])) "
                         "order by [Last Name]"));
    QCOMPARE(jet::toKeysetSql(query::kLetters[25]).sql.find("< '{'") != std::string::npos, true);
    // Literals keep their quotes, doubled, and Jet's double-quoted texts become SQL texts.
    QCOMPARE(jet::toKeysetSql("select * from Rolvane where  [Last Name] = 'O''Brien' order by "
                              "[Last Name];")
                 .sql,
             std::string("select rowid from Rolvane where [Last Name] = 'O''Brien' order by "
                         "[Last Name]"));
    QCOMPARE(jet::toKeysetSql("select * from Rolvane where [Last Name] = \"a'b\"").sql,
             std::string("select rowid from Rolvane where [Last Name] = 'a''b'"));
    // No index can serve these; they go to jet_like alone.
    QCOMPARE(jet::toKeysetSql("select * from Rolvane where [Last Name] like '*son'").sql,
             std::string("select rowid from Rolvane where (jet_like('*son', [Last Name]))"));
    QCOMPARE(jet::toKeysetSql("select * from Rolvane where [Last Name] not like 'A*'").sql,
             std::string("select rowid from Rolvane where (not jet_like('A*', [Last Name]))"));
}

void TstJetLike::refusesWhatIsNotOneSelect() {
    for (const char* text : {"select * from Rolvane; drop table Rolvane;", "delete from Rolvane;",
                             "select [Last Name] from Rolvane;",
                             "select * from Rolvane where "
                             "[Last Name] = 'open",
                             "select * from [Rolvane", ""}) {
        const auto translated = jet::toKeysetSql(text);
        QVERIFY2(translated.sql.empty(), text);
        QVERIFY2(!translated.error.empty(), text);
    }
}

void TstJetLike::letterQueryIsServedByTheIndex() {
    test::TestBook book;
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(book.path().toUtf8().constData(), &db), SQLITE_OK);
    jet::registerLikeFunction(db);
    const std::string plan = "explain query plan " + jet::toKeysetSql(query::kLetters[12]).sql;
    sqlite3_stmt* stmt = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, plan.c_str(), -1, &stmt, nullptr), SQLITE_OK);
    QString details;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        details += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    QVERIFY2(details.contains(QLatin1String("INDEX Rolvane by Last Name")) &&
                 details.contains(QLatin1String("Last Name>? AND Last Name<?")),
             qPrintable(details));
    QVERIFY2(!details.contains(QLatin1String("TEMP B-TREE")), qPrintable(details));
}

QTEST_GUILESS_MAIN(TstJetLike)
#include "tst_jet_like.moc"
