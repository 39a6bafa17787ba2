// SPDX-License-Identifier: GPL-3.0-or-later
// Books that cannot be written, tried as an ordinary user: a read-only book or folder browses and
// says which file or folder keeps it from being changed, the set-up tool still checks and exports
// it, what a read-only run leaves beside the book does not block the saves of a later one, and
// whether a book takes saves is settled when it is opened.
#include "support/test_book.h"
#include "support/unprivileged.h"

#include <QTest>
#include <fcntl.h>
#include <unistd.h>

using namespace rolvane;
using test::TestBook;

namespace {
constexpr auto kWritable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                           QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
constexpr auto kReadOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
constexpr auto kOpenFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                             QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                             QFile::ExeOther;
constexpr auto kClosedFolder = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                               QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

test::UnprivilegedRun session(const TestBook& book, const QStringList& steps) {
    return test::runUnprivileged(QStringLiteral(BOOK_SESSION), QStringList{book.path()} + steps);
}

test::UnprivilegedRun tool(const QStringList& arguments) {
    return test::runUnprivileged(QStringLiteral(ROLVANE_DB), arguments);
}
} // namespace

class TstReadOnlyBooks : public QObject {
    Q_OBJECT
private slots:
    void init();
    void readOnlyFolderBrowsesAndNamesTheFolder();
    void readOnlyBookBrowsesAndNamesTheBook();
    void toolReadsABookInAReadOnlyFolder();
    void readOnlyRunLeavesNothingThatBlocksSaves();
    void accessIsSettledWhenOpened_data();
    void accessIsSettledWhenOpened();
};

void TstReadOnlyBooks::init() {
    if (const QString why = test::unprivilegedUnavailable(); !why.isEmpty())
        QSKIP(qPrintable(why));
}

void TstReadOnlyBooks::readOnlyFolderBrowsesAndNamesTheFolder() {
    TestBook book;
    book.insertLastNames({"Adams", "Baker"});
    test::handOver(book.path(), kWritable);
    test::handOver(book.folder(), kClosedFolder);
    const test::UnprivilegedRun run = session(book, {"walk", "letter", "1", "walk", "save", "x"});
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.mid(0, 3), (QStringList{"names: Adams|Baker", "names: Baker", "not saved"}));
    QCOMPARE(lines.size(), 4); // the one failed save is the only thing told
    QVERIFY2(lines[3].contains(QStringLiteral("folder \"%1\"").arg(book.folder())) &&
                 lines[3].contains("read-only"),
             qPrintable(lines[3]));
    QCOMPARE(book.value("select group_concat([First Name]) from Rolvane"), QString());
}

void TstReadOnlyBooks::readOnlyBookBrowsesAndNamesTheBook() {
    // A book of the first schema is read as it is, not brought up to date.
    TestBook book;
    book.insertLastNames({"Zimmer", "Ångström", "abbot"});
    book.exec("drop index [Rolvane by Last Name]; pragma user_version = 0");
    test::handOver(book.path(), kReadOnly);
    test::handOver(book.folder(), kOpenFolder);
    const test::UnprivilegedRun run = session(book, {"walk", "letter", "0", "walk", "save", "x"});
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.mid(0, 3),
             (QStringList{"names: abbot|Ångström|Zimmer", "names: abbot|Ångström", "not saved"}));
    QVERIFY2(lines.value(3).contains(QStringLiteral("file \"%1\" is read-only").arg(book.path())),
             qPrintable(run.out));
    QCOMPARE(book.value("pragma user_version"), QStringLiteral("0"));
}

void TstReadOnlyBooks::toolReadsABookInAReadOnlyFolder() {
    TestBook book;
    book.insertLastNames({"Adams", "Baker"});
    test::handOver(book.path(), kWritable);
    test::handOver(book.folder(), kClosedFolder);
    const test::UnprivilegedRun check = tool({"check", "--file", book.path()});
    QCOMPARE(check.exitCode, 0);
    QCOMPARE(check.out.trimmed(), QStringLiteral("ok"));
    const test::UnprivilegedRun exported =
        tool({"export", "--file", book.path(), "-", "--format", "csv"});
    QVERIFY2(exported.exitCode == 0, qPrintable(exported.err));
    QVERIFY(exported.out.contains("Adams") && exported.out.contains("Baker"));
}

void TstReadOnlyBooks::readOnlyRunLeavesNothingThatBlocksSaves() {
    TestBook book;
    book.insertLastNames({"Adams"});
    test::handOver(book.path(), kReadOnly);
    test::handOver(book.folder(), kOpenFolder);
    QCOMPARE(session(book, {"walk"}).out.trimmed(), QStringLiteral("names: Adams"));
    const QString shm = book.path() + "-shm";
    QVERIFY2(QFile::exists(shm) && !(QFile::permissions(shm) & QFile::WriteOwner),
             "the read-only run left no read-only shared-memory file");
    test::handOver(book.path(), kWritable);

    // While another process has the book open the file stays, and the message names it.
    const int held = ::open(QFile::encodeName(shm).constData(), O_RDONLY);
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 128;
    lock.l_len = 1;
    QVERIFY(held >= 0 && ::fcntl(held, F_SETLK, &lock) == 0);
    test::UnprivilegedRun run = session(book, {"save", "Blocked"});
    ::close(held);
    QVERIFY2(run.out.startsWith("not saved\n") &&
                 run.out.contains(QStringLiteral("\"%1\" is read-only").arg(shm)),
             qPrintable(run.out));

    // Once nothing uses it, it is repaired and the save goes through.
    run = session(book, {"save", "Anna"});
    QVERIFY2(run.out == "saved\n", qPrintable(run.out));
    QCOMPARE(book.value("select [First Name] from Rolvane"), QStringLiteral("Anna"));
}

void TstReadOnlyBooks::accessIsSettledWhenOpened_data() {
    QTest::addColumn<QFile::Permissions>("whenOpened");
    QTest::addColumn<QString>("modeAfter");
    QTest::addColumn<bool>("saves");
    QTest::newRow("writable when opened") << QFile::Permissions(kWritable) << "444" << true;
    QTest::newRow("read-only when opened") << QFile::Permissions(kReadOnly) << "666" << false;
}

// Whether a book takes saves is found when it is opened, and the first save says so: a book
// made read-only or writable while open changes nothing until it is opened again.
void TstReadOnlyBooks::accessIsSettledWhenOpened() {
    QFETCH(QFile::Permissions, whenOpened);
    QFETCH(QString, modeAfter);
    QFETCH(bool, saves);
    TestBook book;
    book.insertLastNames({"Adams"});
    test::handOver(book.path(), whenOpened);
    test::handOver(book.folder(), kOpenFolder);
    const test::UnprivilegedRun run = session(book, {"chmod", modeAfter, "save", "Amy", "walk"});
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.mid(0, 2), (QStringList{saves ? "saved" : "not saved", "names: Adams"}));
    if (saves) {
        QCOMPARE(lines.size(), 2);
    } else {
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[2].contains(book.path()) && lines[2].contains("read-only"),
                 qPrintable(run.out));
    }
    QCOMPARE(book.value("select ifnull([First Name], '') from Rolvane"),
             saves ? QStringLiteral("Amy") : QString());
}

QTEST_GUILESS_MAIN(TstReadOnlyBooks)
#include "tst_read_only_books.moc"
