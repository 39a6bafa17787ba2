// SPDX-License-Identifier: GPL-3.0-or-later
// Creating a book: it appears at its path complete or not at all, and never over another file;
// what a killed build left is cleared by the next one, and nothing else.
#include "data/address_book_file.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace rolvane;

class TstAddressBookFile : public QObject {
    Q_OBJECT
private slots:
    void createIsAllOrNothing_data();
    void createIsAllOrNothing();
    void killedBuildsAreClearedByTheNext();
};

namespace {

// A child process building the book at `path`, stopped while it fills the book: a creation that
// is still running. 0 when it could not be started or did not get that far.
pid_t startBuild(const QString& path) {
    int ready[2];
    if (::pipe(ready) != 0)
        return 0;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        createAddressBook(path, [&](const QString&) {
            if (::write(ready[1], "x", 1) == 1)
                for (;;)
                    ::pause();
            return QString();
        });
        ::_exit(1);
    }
    ::close(ready[1]);
    char got = 0;
    const bool filling = child > 0 && ::read(ready[0], &got, 1) == 1;
    ::close(ready[0]);
    if (child > 0 && !filling)
        ::waitpid(child, nullptr, 0);
    return filling ? child : 0;
}

void killBuild(pid_t child) {
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

} // namespace

void TstAddressBookFile::createIsAllOrNothing_data() {
    QTest::addColumn<QString>("during");            // what happens while the book is being filled
    QTest::addColumn<BookProblem::Kind>("failure"); // None: success
    QTest::newRow("filled") << "" << BookProblem::Kind::None;
    QTest::newRow("filling fails") << "fail" << BookProblem::Kind::NotFilled;
    QTest::newRow("another file appears") << "appear" << BookProblem::Kind::Exists;
}

void TstAddressBookFile::createIsAllOrNothing() {
    QFETCH(QString, during);
    QFETCH(BookProblem::Kind, failure);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("addy.mdb"));
    const BookProblem why = createAddressBook(path, [&](const QString& building) {
        // The book is filled under another name, beside its place.
        if (building == path || QFileInfo(building).absolutePath() != folder.path())
            return QStringLiteral("filled in the wrong place: %1").arg(building);
        if (during == QLatin1String("fail"))
            return QStringLiteral("disk on fire");
        if (during == QLatin1String("appear")) {
            QFile other(path);
            if (!other.open(QIODevice::WriteOnly) || other.write("someone else's") < 0)
                return QStringLiteral("could not write the other file");
        }
        return QString();
    });
    QCOMPARE(why.kind, failure);
    if (failure == BookProblem::Kind::NotFilled)
        QCOMPARE(why.detail, QStringLiteral("disk on fire")); // the filler's own words
    const QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left, during == QLatin1String("fail") ? QStringList()
                                                   : QStringList{QStringLiteral("addy.mdb")});
    if (failure == BookProblem::Kind::Exists)
        QCOMPARE(why.path, path);
    if (during.isEmpty()) {
        // Readable as any file the user makes there, not private like a temporary file.
        QFile plain(folder.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QCOMPARE(QFile::permissions(path), plain.permissions());
    }
    if (during == QLatin1String("appear")) {
        QFile other(path);
        QVERIFY(other.open(QIODevice::ReadOnly));
        QCOMPARE(other.readAll(), QByteArray("someone else's"));
    }
}

void TstAddressBookFile::killedBuildsAreClearedByTheNext() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("addy.mdb"));
    const auto entries = [&] {
        QStringList names =
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    };
    // A build still running, one killed while it ran, and files that only look like a build's.
    const pid_t running = startBuild(path);
    QVERIFY(running != 0);
    const auto stop = qScopeGuard([running] { killBuild(running); });
    const QStringList runningFiles = entries();
    QVERIFY(!runningFiles.isEmpty());
    const pid_t killed = startBuild(path);
    QVERIFY(killed != 0);
    killBuild(killed);
    QStringList leftovers = entries();
    for (const QString& name : runningFiles)
        leftovers.removeOne(name);
    QVERIFY2(!leftovers.isEmpty() && leftovers.front().startsWith(".addy.mdb."),
             qPrintable(leftovers.join(u' ')));
    const QStringList others = {".addy.mdb.Ab12", ".addy.mdb.Ab12cd.bak", ".other.mdb.Ab12cd",
                                "addy.mdb.Ab12cd"};
    for (const QString& name : others) {
        QFile other(folder.filePath(name));
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("kept") == 4);
    }
    QVERIFY(QFile::link(folder.filePath(others.back()), folder.filePath(".addy.mdb.Link12")));

    QCOMPARE(createAddressBook(path).kind, BookProblem::Kind::None);
    QStringList expected = others + runningFiles + QStringList{".addy.mdb.Link12", "addy.mdb"};
    expected.sort();
    QCOMPARE(entries(), expected);
    for (const QString& name : others) {
        QFile other(folder.filePath(name));
        QVERIFY(other.open(QIODevice::ReadOnly) && other.readAll() == "kept");
    }
}

QTEST_GUILESS_MAIN(TstAddressBookFile)
#include "tst_address_book_file.moc"
