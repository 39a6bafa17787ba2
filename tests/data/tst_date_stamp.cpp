// The Update stamp: each locale's own short date form, always with a four-digit year.
#include "data/date_stamp.h"

#include <QTest>

class TstDateStamp : public QObject {
    Q_OBJECT
private slots:
    void stamps_data();
    void stamps();
};

void TstDateStamp::stamps_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("stamp");
    const QDate day(2026, 12, 7);
    QTest::newRow("en_US") << "en_US" << day << "12/7/2026";
    QTest::newRow("en_GB") << "en_GB" << day << "07/12/2026";
    QTest::newRow("de_DE") << "de_DE" << day << "07.12.2026";
    QTest::newRow("fr_FR") << "fr_FR" << day << "07/12/2026";
    QTest::newRow("ja_JP") << "ja_JP" << day << "2026/12/07";
    QTest::newRow("C") << "C" << day << "7 Dec 2026";
    QTest::newRow("early year") << "en_US" << QDate(905, 1, 2) << "1/2/0905";
}

void TstDateStamp::stamps() {
    QFETCH(QString, locale);
    QFETCH(QDate, date);
    QFETCH(QString, stamp);
    QCOMPARE(rolvane::dateStamp(date, QLocale(locale)), stamp);
}

QTEST_GUILESS_MAIN(TstDateStamp)
#include "tst_date_stamp.moc"
