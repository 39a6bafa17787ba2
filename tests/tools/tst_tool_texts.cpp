// What the set-up tool's import and export make of texts that depend on more than the file: the
// book's order, the user's language, a full disk.
#include "support/test_book.h"
#include "support/tool_run.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using rolvane::test::runTool;
using rolvane::test::TestBook;
using Run = rolvane::test::ToolRun;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TstToolTexts : public QObject {
    Q_OBJECT
private slots:
    void exportFollowsTheBooksOrder();
    void importedDatesHaveFourDigitYears_data();
    void importedDatesHaveFourDigitYears();
    void exportToAFullDiskSaysSo();
};

void TstToolTexts::exportFollowsTheBooksOrder() {
    TestBook book;
    book.insertLastNames({QStringLiteral("Zimmer"), QString::fromUtf8("Ångström"),
                          QStringLiteral("berg"), QString::fromUtf8("Öberg")});
    const Run run =
        runTool({QStringLiteral("export"), QStringLiteral("-"), QStringLiteral("--format"),
                 QStringLiteral("vcard"), QStringLiteral("--file"), book.path()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QStringList order;
    for (const QString& line : run.out.split(QStringLiteral("\r\n")))
        if (line.startsWith(QLatin1String("N:")))
            order << line.mid(2).section(QLatin1Char(';'), 0, 0);
    // Accented letters beside their base letter, case ignored, as the program lists them.
    QCOMPARE(order, QStringList({QString::fromUtf8("Ångström"), QStringLiteral("berg"),
                                 QString::fromUtf8("Öberg"), QStringLiteral("Zimmer")}));
}

void TstToolTexts::importedDatesHaveFourDigitYears_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("stamp");
    QTest::newRow("en_US") << "en_US.UTF-8"
                           << "1/15/1926";
    QTest::newRow("de_DE") << "de_DE.UTF-8"
                           << "15.01.1926";
}

void TstToolTexts::importedDatesHaveFourDigitYears() {
    QFETCH(QString, locale);
    QFETCH(QString, stamp);
    TestBook book(false);
    const QString file = QDir(book.folder()).filePath(QStringLiteral("old.vcf"));
    writeFile(file, "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Old;Al\r\nREV:1926-01-15T10:00:00Z\r\n"
                    "END:VCARD\r\n");
    const Run run = runTool({QStringLiteral("import"), file, QStringLiteral("--file"), book.path()},
                            {}, {}, {QStringLiteral("LC_ALL=") + locale});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(book.value(QStringLiteral("select [Last Update] from Rolvane")), stamp);
}

void TstToolTexts::exportToAFullDiskSaysSo() {
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full here");
    TestBook book;
    book.insertLastNames({QStringLiteral("Doe")});
    QProcess tool;
    tool.setStandardOutputFile(QStringLiteral("/dev/full"));
    tool.start(QStringLiteral(ROLVANE_DB),
               {QStringLiteral("export"), QStringLiteral("-"), QStringLiteral("--format"),
                QStringLiteral("csv"), QStringLiteral("--file"), book.path()});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), 1);
    const QString err = QString::fromUtf8(tool.readAllStandardError());
    QVERIFY2(err.contains(QLatin1String("Could not write \"standard output\": the disk is full")),
             qPrintable(err));
}

QTEST_GUILESS_MAIN(TstToolTexts)
#include "tst_tool_texts.moc"
