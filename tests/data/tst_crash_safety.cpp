// SPDX-License-Identifier: GPL-3.0-or-later
// Crash safety: a child process saves edits in a loop and is killed with SIGKILL at random
// moments; every save it reported done must be in the file, and the file must stay whole.
#include "support/test_book.h"
#include "support/test_source.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <cstdio>
#include <map>

using namespace rolvane;
using test::Source;
using test::TestBook;

namespace {

constexpr int kRows = 10;
constexpr int kKills = 200;
constexpr char kChildFlag[] = "--save-until-killed";

// The child: stamps the rows one after another with rising numbers from `first`, printing
// "row number" after each save the record source reports done.
int saveUntilKilled(const QString& path, long long first) {
    Source s(path);
    if (!s.rs.Refresh())
        return 1;
    for (long long n = first;; ++n) {
        s.first().type(QString::number(n));
        if (s.rs.SaveRecord()) {
            std::printf("%s %lld\n", qPrintable(s.last().text()), n);
            std::fflush(stdout);
        }
        const size_t before = s.rs.position();
        s.rs.Recordset().MoveNext();
        if (s.rs.position() == before)
            s.rs.Recordset().MoveFirst();
    }
}

} // namespace

class TstCrashSafety : public QObject {
    Q_OBJECT
private slots:
    void reportedSavesSurviveKills();
};

void TstCrashSafety::reportedSavesSurviveKills() {
    TestBook book;
    for (int i = 0; i < kRows; ++i)
        book.insert({{"Last Name", QStringLiteral("Row%1").arg(i)}, {"First Name", "0"}});
    std::map<QString, long long> reported; // the highest number reported saved per row
    int saves = 0;
    QElapsedTimer clock;
    clock.start();
    for (int kill = 0; kill < kKills; ++kill) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(kChildFlag), book.path(),
                     QString::number((kill + 1) * 1000000LL)});
        QVERIFY(child.waitForStarted());
        QTest::qSleep(int(QRandomGenerator::global()->bounded(10, 120)));
        child.kill();
        QVERIFY(child.waitForFinished());
        for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() != 2)
                continue; // the last line may be cut by the kill
            reported[QString::fromLatin1(parts[0])] = parts[1].toLongLong();
            ++saves;
        }
        for (const auto& [row, number] : reported) {
            const long long stored =
                book.value(QStringLiteral("select [First Name] from Rolvane where [Last Name] = "
                                          "'%1'")
                               .arg(row))
                    .toLongLong();
            QVERIFY2(
                stored >= number,
                qPrintable(
                    QStringLiteral("%1: reported %2, stored %3").arg(row).arg(number).arg(stored)));
        }
        QCOMPARE(book.value(QStringLiteral("pragma integrity_check")), QStringLiteral("ok"));
        QCOMPARE(book.count(), kRows);
    }
    QVERIFY(saves > kKills); // the kills fell while saves were under way
    qInfo("%d kills survived, %d reported saves all stored, in %lld ms", kKills, saves,
          clock.elapsed());
}

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], kChildFlag) == 0) {
        QCoreApplication app(argc, argv);
        return saveUntilKilled(QString::fromLocal8Bit(argv[2]), std::atoll(argv[3]));
    }
    QCoreApplication app(argc, argv);
    TstCrashSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crash_safety.moc"
