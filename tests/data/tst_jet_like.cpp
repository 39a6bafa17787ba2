// SPDX-License-Identifier: GPL-3.0-or-later
// The Jet pattern matcher as a table of patterns and texts, and the translation of query texts.
#include "data/jet_dialect.h"
#include "data/jet_like.h"
#include "data/name_collation.h"
#include "data/query_texts.h"
#include "support/test_book.h"

#include <QTest>
#include <array>
#include <sqlite3.h>

using namespace rolvane;

class TstJetLike : public QObject {
    Q_OBJECT
private slots:
    void matches_data();
    void matches();
    void decodes_data();
    void decodes();
    void malformedPatternsAreRefused();
    void literalPrefixStopsAtFirstWildcard();
    void translatesEveryQueryText_data();
    void translatesEveryQueryText();
    void refusesWhatIsNotOneSelect();
    void queriesAreServedByTheIndex_data();
    void queriesAreServedByTheIndex();
    void blobsNeverMatch();
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
    // Each character as a letter: case and accents aside, in every script.
    QTest::newRow("accented capital") << "é*"
                                      << "Été" << true;
    QTest::newRow("accent aside") << "E*"
                                  << "Éluard" << true;
    QTest::newRow("ring aside") << "A*"
                                << "ångström" << true;
    QTest::newRow("stroke aside") << "L*"
                                  << "Łumwell" << true;
    QTest::newRow("combining accent") << "O*"
                                      << "O\u0308ztürk" << true;
    QTest::newRow("Greek case") << "ω*"
                                << "Ωmega" << true;
    QTest::newRow("ligature is not its first letter") << "A*"
                                                      << "Æble" << false;
    QTest::newRow("other letter") << "O*"
                                  << "Ångström" << false;
    QTest::newRow("set range with accents") << "[a-c]*"
                                            << "Çelik" << true;
    QTest::newRow("negated set with accents") << "[!a-c]*"
                                              << "Çelik" << false;
    QTest::newRow("whole name, accents aside") << "Ozturk"
                                               << "Öztürk" << true;
}

void TstJetLike::decodes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    const QString bad(QChar(0xFFFD));
    QTest::newRow("ASCII") << QByteArray("Ab") << QStringLiteral("Ab");
    QTest::newRow("two bytes") << QByteArray("\xC3\xA9") << QStringLiteral("\u00E9");
    QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << QStringLiteral("\U0001F600");
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << bad + bad;
    QTest::newRow("overlong in three") << QByteArray("\xE0\x80\xAF") << bad + bad + bad;
    QTest::newRow("overlong in four") << QByteArray("\xF0\x80\x80\xAF") << bad + bad + bad + bad;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80x")
                               << bad + bad + bad + QStringLiteral("x");
    QTest::newRow("beyond Unicode") << QByteArray("\xF4\x90\x80\x80") << bad + bad + bad + bad;
    QTest::newRow("cut short") << QByteArray("a\xC3") << QStringLiteral("a") + bad;
    QTest::newRow("stray continuation") << QByteArray("\x80"
                                                      "a")
                                        << bad + QStringLiteral("a");
}

void TstJetLike::decodes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const std::u32string decoded = jet::decodeUtf8({bytes.constData(), size_t(bytes.size())});
    QCOMPARE(QString::fromUcs4(decoded.data(), qsizetype(decoded.size())), expected);
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
    QCOMPARE(translated.fault, jet::QueryFault::BadPattern);
}

void TstJetLike::literalPrefixStopsAtFirstWildcard() {
    QCOMPARE(jet::LikePattern::parse("Mc*")->literalPrefix(), std::u32string(U"Mc"));
    QCOMPARE(jet::LikePattern::parse("Ab?d")->literalPrefix(), std::u32string(U"Ab"));
    QCOMPARE(jet::LikePattern::parse("*son")->literalPrefix(), std::u32string());
    QCOMPARE(jet::LikePattern::parse("[A]x")->literalPrefix(), std::u32string());
}

void TstJetLike::translatesEveryQueryText_data() {
    QTest::addColumn<QByteArray>("jet");
    QTest::addColumn<QByteArray>("sql");
    QTest::addColumn<QList<QByteArray>>("parameters");
    const QByteArray order = " order by [Last Name] collate rolvane_text";
    QTest::newRow("initial") << QByteArray(query::kInitial.data())
                             << "select rowid from Rolvane" + order << QList<QByteArray>{};
    QTest::newRow("all") << QByteArray("select * from Rolvane;")
                         << QByteArray("select rowid from Rolvane") << QList<QByteArray>{};
    QTest::newRow("letter A")
        << QByteArray(query::kLetters[0].data())
        << "select rowid from Rolvane where ([Last Name] >= ?2 collate rolvane_text and "
           "[Last Name] < ?3 collate rolvane_text and jet_like(?1, [Last Name]))" +
               order
        << QList<QByteArray>{"A*"};
    // Typed texts are parameters, whatever they hold.
    QTest::newRow("search")
        << QByteArray("select * from Rolvane where  [First Name] = 'John' and [Last Name] = "
                      "'O''Brien' order by [Last Name];")
        << "select rowid from Rolvane where [First Name] = ?1 collate rolvane_text and "
           "[Last Name] = ?2 collate rolvane_text" +
               order
        << QList<QByteArray>{"John", "O'Brien"};
    QTest::newRow("quote and comment")
        << QByteArray("select * from Rolvane where  [Last Name] = 'x'' or 1=1 --' order by "
                      "[Last Name];")
        << "select rowid from Rolvane where [Last Name] = ?1 collate rolvane_text" + order
        << QList<QByteArray>{"x' or 1=1 --"};
    QTest::newRow("NUL typed")
        << QByteArray("select * from Rolvane where  [Last Name] = 'Sm\0ith' order by "
                      "[Last Name];",
                      73)
        << "select rowid from Rolvane where [Last Name] = ?1 collate rolvane_text" + order
        << QList<QByteArray>{QByteArray("Sm\0ith", 6)};
    QTest::newRow("double quotes")
        << QByteArray("select * from Rolvane where [Last Name] = \"a'b\"")
        << QByteArray("select rowid from Rolvane where [Last Name] = ?1 "
                      "collate rolvane_text")
        << QList<QByteArray>{"a'b"};
    // No index can serve these; they go to jet_like alone.
    QTest::newRow("suffix") << QByteArray("select * from Rolvane where [Last Name] like '*son'")
                            << QByteArray("select rowid from Rolvane where (jet_like(?1, [Last "
                                          "Name]))")
                            << QList<QByteArray>{"*son"};
    QTest::newRow("not like") << QByteArray("select * from Rolvane where [Last Name] not like 'A*'")
                              << QByteArray("select rowid from Rolvane where (not jet_like(?1, "
                                            "[Last Name]))")
                              << QList<QByteArray>{"A*"};
}

void TstJetLike::translatesEveryQueryText() {
    QFETCH(QByteArray, jet);
    QFETCH(QByteArray, sql);
    QFETCH(QList<QByteArray>, parameters);
    const jet::KeysetSql translated = jet::toKeysetSql({jet.constData(), size_t(jet.size())});
    QCOMPARE(QByteArray::fromStdString(translated.sql), sql);
    QVERIFY(translated.parameters.size() >= size_t(parameters.size()));
    for (qsizetype i = 0; i < parameters.size(); ++i)
        QCOMPARE(QByteArray::fromStdString(translated.parameters[size_t(i)]), parameters[i]);
    // A letter's range: two bounds that are not UTF-8, so no stored text can be one.
    if (translated.parameters.size() > size_t(parameters.size())) {
        QCOMPARE(translated.parameters.size(), size_t(3));
        QCOMPARE(translated.parameters[1].substr(0, 2), std::string("\xFF<"));
        QCOMPARE(translated.parameters[2].substr(0, 2), std::string("\xFF>"));
    }
}

void TstJetLike::refusesWhatIsNotOneSelect() {
    using namespace std::string_literals;
    for (const std::string& text :
         {"select * from Rolvane; drop table Rolvane;"s, "delete from Rolvane;"s,
          "select [Last Name] from Rolvane;"s, "select * from Rolvane where [Last Name] = 'open"s,
          "select * from [Rolvane"s, ""s, "select * from Rolvane\0 where [Last Name] = 'a'"s}) {
        const auto translated = jet::toKeysetSql(text);
        QVERIFY2(translated.sql.empty(), text.c_str());
        QVERIFY2(translated.fault != jet::QueryFault::None, text.c_str());
    }
}

void TstJetLike::queriesAreServedByTheIndex_data() {
    QTest::addColumn<QByteArray>("jet");
    QTest::addColumn<QString>("search");
    QTest::newRow("letter") << QByteArray(query::kLetters[12].data())
                            << QStringLiteral("Last Name>? AND Last Name<?");
    QTest::newRow("last name")
        << QByteArray("select * from Rolvane where  [Last Name] = 'Smith' order by [Last Name];")
        << QStringLiteral("Last Name=?");
    QTest::newRow("all") << QByteArray(query::kInitial.data()) << QString();
}

void TstJetLike::queriesAreServedByTheIndex() {
    QFETCH(QByteArray, jet);
    QFETCH(QString, search);
    test::TestBook book;
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(book.path().toUtf8().constData(), &db), SQLITE_OK);
    collation::registerCollation(db);
    jet::registerLikeFunction(db);
    const std::string plan = "explain query plan " + jet::toKeysetSql(jet.constData()).sql;
    sqlite3_stmt* stmt = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, plan.c_str(), -1, &stmt, nullptr), SQLITE_OK);
    QString details;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        details += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    QVERIFY2(details.contains(QLatin1String("INDEX Rolvane by Last Name")) &&
                 details.contains(search),
             qPrintable(details));
    QVERIFY2(!details.contains(QLatin1String("TEMP B-TREE")), qPrintable(details));
}

void TstJetLike::blobsNeverMatch() {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(":memory:", &db), SQLITE_OK);
    jet::registerLikeFunction(db);
    sqlite3_stmt* stmt = nullptr;
    QCOMPARE(
        sqlite3_prepare_v2(db,
                           "select jet_like('A*', 'Abc'), jet_like('A*', cast('Abc' as blob)), "
                           "jet_like('*', x''), jet_like(cast('A*' as blob), 'Abc')",
                           -1, &stmt, nullptr),
        SQLITE_OK);
    QCOMPARE(sqlite3_step(stmt), SQLITE_ROW);
    const std::array expected = {1, 0, 0, 0};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(sqlite3_column_int(stmt, i), expected[size_t(i)]);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

QTEST_GUILESS_MAIN(TstJetLike)
#include "tst_jet_like.moc"
