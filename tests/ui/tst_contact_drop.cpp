// SPDX-License-Identifier: GPL-3.0-or-later
// Contacts files dropped on the main window: a real drop onto a field, then the one question,
// the book as plain SQL reads it, the message, and the contact the window shows.
#include "app/forms.h"
#include "support/message_recorder.h"
#include "support/test_book.h"
#include "ui/common/fonts.h"
#include "ui/main/frm_addy.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <memory>

using namespace rolvane;

class TstContactDrop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::useProgramFonts(); }
    void cleanup();
    void dropImports_data();
    void dropImports();

private:
    std::unique_ptr<test::TestBook> book_;
    std::unique_ptr<test::MessageRecorder> messages_;
};

void TstContactDrop::cleanup() {
    app::releaseForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    messages_.reset();
    book_.reset();
}

void TstContactDrop::dropImports_data() {
    QTest::addColumn<bool>("bookExists");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("question"); // empty: none is asked
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("lastNames"); // the book afterwards, in rowid order
    QTest::addColumn<QString>("shown");

    const QByteArray three = "BEGIN:VCARD\nVERSION:3.0\nN:Adams;\nEND:VCARD\n"
                             "BEGIN:VCARD\nVERSION:3.0\nN:Zimmer;Zoe\nEND:VCARD\n"
                             "BEGIN:VCARD\nVERSION:3.0\nN:Young;Yul\nEND:VCARD\n";
    const QString ask = QStringLiteral("Add 3 contacts from drop.vcf to your address book?");
    QTest::newRow("yes: new ones added, the first shown")
        << true << "drop.vcf" << three << true << ask
        << "Added 2 contacts from drop.vcf.\n1 contact was already in your address book."
        << "Adams,Brown,Zimmer,Young"
        << "Zimmer";
    QTest::newRow("no: nothing stored")
        << true << "drop.vcf" << three << false << ask << QString() << "Adams,Brown"
        << "Adams";
    QTest::newRow("unreadable: told, nothing stored")
        << true << "drop.vcf"
        << QByteArray("\x7f"
                      "ELF\x02\x01\x01\0\0\0",
                      10)
        << true << QString() << "is not a vCard, CSV or Access file"
        << "Adams,Brown"
        << "Adams";
    QTest::newRow("no book yet: one is made")
        << false << "drop.vcf" << three << true
        << "You have no address book yet; one will be made. Add 3 contacts from drop.vcf to it?"
        << "Added 3 contacts from drop.vcf."
        << "Adams,Zimmer,Young"
        << "Adams";
    // The Access reader forks without exec, which the threaded program must not do.
    QTest::newRow("an Access file: left to the set-up tool")
        << true << "old.mdb"
        << QByteArray("\0\1\0\0Standard Jet DB\0", 20).leftJustified(4096, '\0') << true
        << QString()
        << "Access files come over with the set-up tool, in a terminal: rolvane-db import \""
        << "Adams,Brown"
        << "Adams";
}

void TstContactDrop::dropImports() {
    QFETCH(bool, bookExists);
    QFETCH(QString, name);
    QFETCH(QByteArray, file);
    QFETCH(bool, answer);
    QFETCH(QString, question);
    QFETCH(QString, message);
    QFETCH(QString, lastNames);
    QFETCH(QString, shown);

    book_ = std::make_unique<test::TestBook>(bookExists);
    if (bookExists)
        book_->insertLastNames({QStringLiteral("Adams"), QStringLiteral("Brown")});
    const QString path = QDir(book_->folder()).filePath(name);
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
    out.close();
    messages_ = std::make_unique<test::MessageRecorder>();
    messages_->answer = answer;
    app::setDatabasePath(book_->path());
    app::setEndAction([] {});
    app::frmAddy().Show();
    QWidget* window = app::frmAddy().window();
    QVERIFY(QTest::qWaitForWindowActive(window));
    messages_->messages.clear(); // a missing book is told at start

    auto* field = window->findChild<QLineEdit*>(QStringLiteral("Text1"));
    const QString typedBefore = field->text();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    mime.setText(path); // what a field would paste, were the drop its own
    const QPoint at = field->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &drop);
    QVERIFY(drop.isAccepted());

    if (message.isEmpty())
        QTRY_COMPARE(messages_->questions.size(), 1);
    else
        QTRY_COMPARE(messages_->messages.size(), 1);
    QCOMPARE(messages_->questions, question.isEmpty() ? QStringList() : QStringList{question});
    if (!message.isEmpty())
        QVERIFY2(messages_->messages.front().contains(message),
                 qPrintable(messages_->messages.front()));
    QCOMPARE(messages_->messages.size(), message.isEmpty() ? 0 : 1);
    QCOMPARE(book_->value(QStringLiteral("select group_concat([Last Name]) from "
                                         "(select [Last Name] from Rolvane order by rowid)")),
             lastNames);
    QCOMPARE(window->findChild<QLineEdit*>(QStringLiteral("Text2"))->text(), shown);
    QVERIFY(!field->text().contains(path));
    if (shown == QLatin1String("Adams"))
        QCOMPARE(field->text(), typedBefore);
}

QTEST_MAIN(TstContactDrop)
#include "tst_contact_drop.moc"
