// SPDX-License-Identifier: GPL-3.0-or-later
// The main window follows what other programs write to the book: the shown contact is read again
// and new ones can be reached, but typed text, a blank new form and the window's own saves are
// left alone, and a book made anew under its name is survived.
#include "app/forms.h"
#include "data/book_watcher.h"
#include "data/sqlite_db.h"
#include "support/message_recorder.h"
#include "support/test_book.h"
#include "ui/common/fonts.h"
#include "ui/main/frm_addy.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace rolvane;

class TstLiveBook : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        ui::useProgramFonts();
        qunsetenv("ROLVANE_UNWATCHED"); // set for the other tests
    }
    void init();
    void cleanup();
    void followsWritesUnderneath_data();
    void followsWritesUnderneath();
    void survivesTheBookMadeAnew();

private:
    template <class T = QWidget> T* control(const char* name) {
        return app::frmAddy().control<T>(name);
    }
    QString text(const char* name) { return control<QLineEdit>(name)->text(); }
    BookWatcher* watcher() { return app::frmAddy().window()->findChild<BookWatcher*>(); }

    std::unique_ptr<test::TestBook> book_;
    std::unique_ptr<test::MessageRecorder> messages_;
};

void TstLiveBook::init() {
    book_ = std::make_unique<test::TestBook>();
    messages_ = std::make_unique<test::MessageRecorder>();
    app::setDatabasePath(book_->path());
    app::setEndAction([] {});
}

void TstLiveBook::cleanup() {
    app::releaseForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    messages_.reset();
    book_.reset();
}

void TstLiveBook::followsWritesUnderneath_data() {
    QTest::addColumn<QString>("typed");   // into First Name before the write; "" for nothing
    QTest::addColumn<bool>("adding");     // a blank new form is shown
    QTest::addColumn<QString>("written"); // by another connection, %1 the shown rowid; "" for a
                                          // save by the window itself
    QTest::addColumn<QString>("shown");   // First Name afterwards
    QTest::addColumn<int>("rereads");
    QTest::addColumn<QString>("last"); // Last Name at MoveLast afterwards

    const QString change = "update Rolvane set [First Name] = 'Anne' where rowid = %1";
    QTest::newRow("shown contact changed") << "" << false << change << "Anne" << 1 << "Baker";
    QTest::newRow("contact added")
        << "" << false << "insert into Rolvane ([First Name], [Last Name]) values ('Zoe', 'Young')"
        << "Ann" << 1 << "Young";
    QTest::newRow("typed text kept") << "Mine" << false << change << "Mine" << 0 << "";
    QTest::newRow("blank new form kept") << "" << true << change << "" << 0 << "";
    QTest::newRow("own save") << "Mine" << false << ""
                              << "Mine" << 0 << "Baker";
    // Its rowid now names another contact, which is not taken for it.
    QTest::newRow("shown contact deleted, rowid reused")
        << "" << false
        << "delete from Rolvane where rowid = %1; insert into Rolvane (rowid, [First Name], "
           "[Last Name]) values (%1, 'Zoe', 'Adams')"
        << "Ann" << 0 << "Baker";
}

void TstLiveBook::followsWritesUnderneath() {
    QFETCH(QString, typed);
    QFETCH(bool, adding);
    QFETCH(QString, written);
    QFETCH(QString, shown);
    QFETCH(int, rereads);
    QFETCH(QString, last);
    const qint64 adams = book_->insert({{"First Name", "Ann"}, {"Last Name", "Adams"}});
    book_->insert({{"First Name", "Bob"}, {"Last Name", "Baker"}});
    // Another window's connection, open throughout: its commits touch nothing but the log.
    sqlite::Connection other;
    QCOMPARE(other.open(book_->path()), SQLITE_OK);
    QCOMPARE(other.exec("select count(*) from Rolvane"), SQLITE_OK);
    app::frmAddy().Show();
    QVERIFY(QTest::qWaitForWindowActive(app::frmAddy().window()));
    QSignalSpy changed(watcher(), &BookWatcher::bookChanged);
    QSignalSpy reread(&app::frmAddy(), &ui::frmAddy::bookReread);

    if (adding)
        QTest::mouseClick(control<QPushButton>("cmdAdd"), Qt::LeftButton);
    if (!typed.isEmpty()) {
        control<QLineEdit>("Text1")->selectAll();
        QTest::keyClicks(control("Text1"), typed);
    }
    if (written.isEmpty())
        QTest::mouseClick(control<QPushButton>("cmdUpdate"), Qt::LeftButton);
    else
        QCOMPARE(other.exec(written.arg(adams).toUtf8().constData()), SQLITE_OK);
    QVERIFY(changed.wait());

    QCOMPARE(text("Text1"), shown);
    QCOMPARE(reread.count(), rereads);
    QCOMPARE(app::frmAddy().datAddy().isAdding(), adding);
    if (!last.isEmpty()) {
        QVERIFY(app::frmAddy().datAddy().Recordset().MoveLast());
        QCOMPARE(text("Text2"), last);
    }
    QVERIFY2(messages_->messages.isEmpty(), qPrintable(messages_->messages.join('\n')));
}

void TstLiveBook::survivesTheBookMadeAnew() {
    book_->insert({{"First Name", "Ann"}, {"Last Name", "Adams"}});
    app::frmAddy().Show();
    QVERIFY(QTest::qWaitForWindowActive(app::frmAddy().window()));
    QSignalSpy changed(watcher(), &BookWatcher::bookChanged);

    // Made elsewhere and renamed into place, as the set-up tool makes a book.
    test::TestBook other;
    other.insert({{"Last Name", "Young"}});
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(book_->path() + suffix);
    QVERIFY(QFile::rename(other.path(), book_->path()));
    QVERIFY(changed.wait());
    // The watch follows the new file.
    book_->insert({{"Last Name", "Zimmer"}});
    QVERIFY(changed.wait());

    QVERIFY(app::frmAddy().datAddy().Recordset().MoveLast());
    QTest::mouseClick(control<QPushButton>("cmdA"), Qt::LeftButton);
}

QTEST_MAIN(TstLiveBook)
#include "tst_live_book.moc"
