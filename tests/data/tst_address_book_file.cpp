// SPDX-License-Identifier: GPL-3.0-or-later
// Creating a book: it appears at its path complete or not at all, and never over another file.
#include "data/address_book_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace rolvane;

class TstAddressBookFile : public QObject {
    Q_OBJECT
private slots:
    void createIsAllOrNothing_data();
    void createIsAllOrNothing();
};

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

QTEST_GUILESS_MAIN(TstAddressBookFile)
#include "tst_address_book_file.moc"
