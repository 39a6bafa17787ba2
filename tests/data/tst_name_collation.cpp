// SPDX-License-Identifier: GPL-3.0-or-later
// The book's collation: its order and equality for names in many scripts, and, against random
// names, that the index range of a `like` never drops a row the pattern matcher keeps.
#include "data/jet_dialect.h"
#include "data/jet_like.h"
#include "data/name_collation.h"
#include "support/test_book.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <set>
#include <sqlite3.h>

using namespace rolvane;

namespace {

std::string utf8(const QString& text) {
    return text.toStdString();
}

// Characters names are drawn from: letters with and without accents (precomposed and combining),
// other scripts (Thai vowels that sort after the consonant, Cyrillic letters that combine into
// another letter), digits, blanks, punctuation, invisible characters, and beyond the BMP.
const QStringList& characterPools() {
    static const QStringList pools = {
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"),
        QStringLiteral("ÅåÉéÖöÜüÇçÑñŁłØøÆæßĐđŀĿÀàÂâ"),
        QStringLiteral("\u0301\u0308\u030A\u0327\u0306"), // combining accents
        QStringLiteral("αβγδεζηθωΩΑΒΓΔάέώ"),
        QStringLiteral("абвгдеёжзийклмнопрсЙИЁЕ"),
        QStringLiteral("กขคงจเแโใไะาำ"),
        QStringLiteral("אבגדהابتث"),
        QStringLiteral("あいうかきカキーガ漢字中文한국어"),
        QStringLiteral("0123456789 '-.·"),
        QStringLiteral("\u200B\u00AD\uFFFD") + QChar(0),
        QStringLiteral("😀𝐀𐐀"),
    };
    return pools;
}

QString randomName(QRandomGenerator& random) {
    const QStringList& pools = characterPools();
    const int length = int(random.bounded(7));
    QString name;
    for (int i = 0; i < length; ++i) {
        // Mostly Latin, so that the letter ranges hold many rows.
        const QString& pool =
            random.bounded(3) == 0 ? pools[random.bounded(int(pools.size()))] : pools[0];
        const QList<uint> points = pool.toUcs4();
        const char32_t c = char32_t(points[random.bounded(int(points.size()))]);
        name += QString::fromUcs4(&c, 1);
    }
    return name;
}

struct Db {
    sqlite3* db = nullptr;
    explicit Db(const QString& path) {
        sqlite3_open(path.toUtf8().constData(), &db);
        collation::registerCollation(db);
        jet::registerLikeFunction(db);
    }
    ~Db() { sqlite3_close(db); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    std::vector<qint64> rowids(const std::string& sql, const std::vector<std::string>& parameters) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            qFatal("%s: %s", sql.c_str(), sqlite3_errmsg(db));
        jet::bindParameters(stmt, parameters);
        std::vector<qint64> out;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            out.push_back(sqlite3_column_int64(stmt, 0));
        sqlite3_finalize(stmt);
        return out;
    }
};

} // namespace

class TstNameCollation : public QObject {
    Q_OBJECT
private slots:
    void orderIsAlphabeticalForEveryScript();
    void equality_data();
    void equality();
    void rangeNeverDropsWhatTheMatcherKeeps();
};

void TstNameCollation::orderIsAlphabeticalForEveryScript() {
    // Accented letters beside their base letter, case aside; then Greek, then Cyrillic.
    const QStringList expected = {QString(),
                                  QStringLiteral("47th"),
                                  QStringLiteral("abbot"),
                                  QStringLiteral("Ångström"),
                                  QStringLiteral("Brook"),
                                  QStringLiteral("élise"),
                                  QStringLiteral("Éluard"),
                                  QStringLiteral("Łumwell"),
                                  QStringLiteral("Ölsen"),
                                  QStringLiteral("Oscar"),
                                  QStringLiteral("Öztürk"),
                                  QStringLiteral("Zimmer"),
                                  QStringLiteral("Ωmega"),
                                  QStringLiteral("Иванов")};
    QStringList names = expected;
    std::reverse(names.begin(), names.end());
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return collation::compare(utf8(a), utf8(b)) < 0;
    });
    QCOMPARE(names, expected);
}

void TstNameCollation::equality_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("equal");
    QTest::newRow("case, Latin") << "öztürk"
                                 << "Öztürk" << true;
    QTest::newRow("case, all capitals") << "ÅNGSTRÖM"
                                        << "Ångström" << true;
    QTest::newRow("case, Greek") << "ωMEGA"
                                 << "Ωmega" << true;
    QTest::newRow("case, Cyrillic") << "иванов"
                                    << "ИВАНОВ" << true;
    QTest::newRow("composed or not") << "Ångström"
                                     << "A\u030Angstro\u0308m" << true;
    QTest::newRow("accent counts") << "Elise"
                                   << "Élise" << false;
    QTest::newRow("stroke counts") << "Lumwell"
                                   << "Łumwell" << false;
    QTest::newRow("blank counts") << "Smith "
                                  << "Smith" << false;
    QTest::newRow("NUL counts") << QStringLiteral("Smith") + QChar(0) << "Smith" << false;
    QTest::newRow("NUL is not empty") << QString(QChar(0)) << "" << false;
    QTest::newRow("invisible counts") << "Sm\u200Bith"
                                      << "Smith" << false;
    QTest::newRow("wide letters count") << "ＳＭＩＴＨ"
                                        << "Smith" << false;
}

void TstNameCollation::equality() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, equal);
    QCOMPARE(collation::compare(utf8(a), utf8(b)) == 0, equal);
    QCOMPARE(collation::compare(utf8(a), utf8(b)), -collation::compare(utf8(b), utf8(a)));
}

void TstNameCollation::rangeNeverDropsWhatTheMatcherKeeps() {
    test::TestBook book;
    Db db(book.path());
    QRandomGenerator random(20261207);
    sqlite3_exec(db.db, "begin", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db.db, "insert into Rolvane ([Last Name]) values (?)", -1, &insert, nullptr);
    for (int i = 0; i < 4000; ++i) {
        const std::string name = utf8(randomName(random));
        sqlite3_bind_text(insert, 1, name.data(), int(name.size()), SQLITE_TRANSIENT);
        QCOMPARE(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    QCOMPARE(sqlite3_exec(db.db, "commit", nullptr, nullptr, nullptr), SQLITE_OK);

    // Every letter button, and patterns that begin with characters of every pool.
    QStringList patterns;
    for (char c = 'A'; c <= 'Z'; ++c)
        patterns << QString(QLatin1Char(c)) + QLatin1Char('*');
    for (const QString& pool : characterPools()) {
        for (uint c : pool.toUcs4()) {
            const char32_t point = char32_t(c);
            const QString letter = QString::fromUcs4(&point, 1);
            patterns << letter + QLatin1Char('*') << letter + QStringLiteral("?*")
                     << letter + QStringLiteral("a*");
        }
    }

    int narrowed = 0;
    for (const QString& pattern : patterns) {
        const std::string like = utf8(pattern);
        const jet::KeysetSql keyset = jet::toKeysetSql(
            "select * from Rolvane where [Last Name] like '" +
            utf8(QString(pattern).replace(QLatin1Char('\''), QStringLiteral("''"))) +
            "' order by [Last Name]");
        QVERIFY2(!keyset.sql.empty(), like.c_str());
        narrowed += keyset.parameters.size() == 3 ? 1 : 0;
        std::vector<qint64> served = db.rowids(keyset.sql, keyset.parameters);
        std::vector<qint64> kept =
            db.rowids("select rowid from Rolvane where jet_like(?1, [Last Name])", {like});
        std::sort(served.begin(), served.end());
        std::sort(kept.begin(), kept.end());
        QVERIFY2(served == kept, qPrintable(QStringLiteral("%1: %2 served, %3 kept")
                                                .arg(pattern)
                                                .arg(served.size())
                                                .arg(kept.size())));
    }
    // The letters are served by the index; the matcher is not trivially empty.
    QVERIFY(narrowed > 26 * 2);
    QVERIFY(db.rowids("select rowid from Rolvane where jet_like('Å*', [Last Name])", {}).size() >
            100);
}

QTEST_GUILESS_MAIN(TstNameCollation)
#include "tst_name_collation.moc"
