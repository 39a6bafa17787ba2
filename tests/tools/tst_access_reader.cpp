// The Access reader's child process: its answers reach the caller, and its limits hold, on the
// real Access files in ../shared/fixtures when they are there.
#include "exchange/access_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace rolvane::exchange;

namespace {

QString fixture(const char* name) {
    return QStringLiteral(ROLVANE_FIXTURES "/access/") + QLatin1String(name);
}

QString problemOf(const QString& path, const QString& table, const AccessLimits& limits = {}) {
    const std::optional<Problem> p = readAccess(path, table, ReadCallbacks{}, limits);
    return p ? QString::fromStdString(p->text) : QString();
}

} // namespace

class TstAccessReader : public QObject {
    Q_OBJECT
private slots:
    void answersComeBackFromTheChild_data();
    void answersComeBackFromTheChild();
    void aChildPastItsLimitsIsStopped_data();
    void aChildPastItsLimitsIsStopped();
};

void TstAccessReader::answersComeBackFromTheChild_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("problem");
    QTest::newRow("no such table") << fixture("testV1997.mdb") << ""
                                   << "there is no table named Rolvane; its tables are: Table1, "
                                      "Table2, Table3, Table4; name one with --table";
    QTest::newRow("no tables") << fixture("empty.mdb") << "Any"
                               << "there is no table named Any; the file has no tables";
    QTest::newRow("not contacts") << fixture("testUnicodeCompV2003.mdb") << "table"
                                  << "the table table has no known contact columns (its columns "
                                     "are ID, Unicode); expected the book's own columns";
    QTest::newRow("not a file") << fixture("none.mdb") << ""
                                << "the file could not be opened as an Access database";
}

void TstAccessReader::answersComeBackFromTheChild() {
    QFETCH(QString, file);
    QFETCH(QString, table);
    QFETCH(QString, problem);
    if (!QFileInfo::exists(fixture("testV1997.mdb")))
        QSKIP("../shared/fixtures is not here: the Access reader was not tried");
    const QString got = problemOf(file, table);
    QVERIFY2(got.startsWith(problem), qPrintable(got));
}

void TstAccessReader::aChildPastItsLimitsIsStopped_data() {
    QTest::addColumn<int>("silentSeconds");
    QTest::addColumn<qint64>("residentBytes");
    QTest::addColumn<QString>("problem");
    QTest::newRow("silent") << 1 << (qint64(1) << 30)
                            << "the file made the Access reader stop answering";
    QTest::newRow("memory") << 60 << qint64(1)
                            << "the file made the Access reader use too much memory";
}

void TstAccessReader::aChildPastItsLimitsIsStopped() {
    QFETCH(int, silentSeconds);
    QFETCH(qint64, residentBytes);
    QFETCH(QString, problem);
    // A pipe that nobody writes: libmdb waits on it for ever, as on a file that loops.
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("stuck.mdb"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    AccessLimits limits;
    limits.silentSeconds = silentSeconds;
    limits.residentBytes = residentBytes;
    QCOMPARE(problemOf(fifo, QString(), limits),
             problem + QLatin1String(" (it is likely damaged)"));
}

QTEST_GUILESS_MAIN(TstAccessReader)
#include "tst_access_reader.moc"
