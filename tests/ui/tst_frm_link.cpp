// SPDX-License-Identifier: GPL-3.0-or-later
// The "Link to a Server" dialog as a user meets it, over a real address book: against a scripted
// stand-in for `rolvane-db sync add --machine`, and once through the real tool to Radicale with a
// real keyring (CTest runs that case alone, in a session bus of its own).
#include "app/forms.h"
#include "carddav/dav_server.h"
#include "support/layout_check.h"
#include "support/message_recorder.h"
#include "support/test_book.h"
#include "ui/common/fonts.h"
#include "ui/main/frm_addy.h"
#include "ui/sync/frm_link.h"
#include "ui/sync/frm_link_layout.h"
#include "ui/sync/frm_sync.h"
#include "ui/sync/sync_timer.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace rolvane;

class TstFrmLink : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void layoutFocusAndTabOrder();
    void linkFlow_data();
    void linkFlow();
    void timerTurnedOnForTheUsualBook();
    void closingStopsTheChild_data();
    void closingStopsTheChild();
    void noKeyringLinksNothing();
    void linksARealServer();

private:
    // Opens the dialog from the main window's menu and fills it in.
    void openDialog(const QString& address, const QString& user, const QString& password);
    template <class T> T* control(const char* name) { return app::frmLink().control<T>(name); }
    QAction* entry(const char* name) {
        return app::frmAddy().window()->findChild<QAction*>(QString::fromLatin1(name));
    }
    QStringList starts() const;

    std::unique_ptr<test::TestBook> book_;
    std::unique_ptr<test::MessageRecorder> messages_;
    QTemporaryDir logDir_;
};

void TstFrmLink::initTestCase() {
    ui::useProgramFonts();
    qputenv("STAND_IN_LOG", logDir_.filePath("starts").toLocal8Bit());
}

void TstFrmLink::init() {
    book_ = std::make_unique<test::TestBook>();
    messages_ = std::make_unique<test::MessageRecorder>();
    QFile::remove(logDir_.filePath("starts"));
    app::setDatabasePath(book_->path());
    app::setEndAction([] {});
    app::frmSync().setSyncProgram(LINK_STAND_IN);
    app::frmLink().setLinkProgram(LINK_STAND_IN);
}

void TstFrmLink::cleanup() {
    app::releaseForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    messages_.reset();
    book_.reset();
}

QStringList TstFrmLink::starts() const {
    QFile log(logDir_.filePath("starts"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(log.readAll()).split('\n', Qt::SkipEmptyParts);
}

void TstFrmLink::openDialog(const QString& address, const QString& user, const QString& password) {
    app::frmAddy().Show();
    QVERIFY(QTest::qWaitForWindowActive(app::frmAddy().window()));
    entry("mnuSyncLink")->trigger();
    QVERIFY(app::frmLink().isVisible());
    QVERIFY(QTest::qWaitForWindowActive(app::frmLink().window()));
    QTest::keyClicks(control<QLineEdit>("txtAddress"), address);
    QTest::keyClicks(control<QLineEdit>("txtUser"), user);
    QTest::keyClicks(control<QLineEdit>("txtPassword"), password);
}

void TstFrmLink::layoutFocusAndTabOrder() {
    app::frmAddy().Show();
    entry("mnuSyncLink")->trigger();
    QWidget* window = app::frmLink().window();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(window->objectName(), "frmLink");
    QCOMPARE(window->windowTitle(), "Link to a Server");
    QCOMPARE(window->size(), QSize(380, 357));
    test::checkControls(window, ui::link::kControls);
    if (QTest::currentTestFailed())
        return;
    // Every caption fits its box, the check box's mark included.
    for (QWidget* w : window->findChildren<QWidget*>()) {
        QString text;
        int needed = 0;
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap())
            text = label->text();
        else if (auto* button = qobject_cast<QPushButton*>(w))
            text = button->text();
        else if (auto* box = qobject_cast<QCheckBox*>(w))
            needed = box->sizeHint().width();
        if (!text.isEmpty())
            needed = w->fontMetrics().horizontalAdvance(QString(text).remove('&'));
        QVERIFY2(needed <= w->width(), qPrintable(w->objectName()));
    }
    // Not the usual book: the timer syncs that one only.
    QVERIFY(control<QCheckBox>("chkTimer")->isHidden());
    QVERIFY(control<QCheckBox>("chkMerge")->isHidden());
    QVERIFY(!control<QPushButton>("cmdLink")->isEnabled());
    QWidget* focus = QApplication::focusWidget();
    QStringList order{focus->objectName()};
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(focus, Qt::Key_Tab);
        focus = QApplication::focusWidget();
        order << focus->objectName();
    }
    QCOMPARE(order, (QStringList{"txtAddress", "txtUser", "txtPassword", "cmdFind"}));
    // Enter with nothing typed asks for the address and runs nothing.
    QTest::keyClick(control<QLineEdit>("txtAddress"), Qt::Key_Return);
    QCOMPARE(messages_->messages.size(), 1);
    QVERIFY(messages_->messages[0].startsWith("Type the address"));
    QVERIFY(starts().isEmpty());
}

void TstFrmLink::linkFlow_data() {
    QTest::addColumn<QByteArray>("server");
    QTest::addColumn<int>("pick");          // the row chosen in the list, or -1
    QTest::addColumn<bool>("merge");        // check "Merge with the contacts here"
    QTest::addColumn<QStringList>("asked"); // the start of each yes-or-no question, answered yes
    QTest::addColumn<QStringList>("runs");  // each start's options after the book
    QTest::addColumn<QString>("said");      // the start of the message shown; empty: none, linked
    const QString find = "--machine --find --user ann";
    const QString link = "--machine --user ann";
    const QString pin = " --certificate-sha256 AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:"
                        "AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89";
    QTest::newRow("one address book: linked, first sync started")
        << QByteArray("one") << -1 << false << QStringList{}
        << QStringList{find, link + " --book https://dav.example/ann/book/"} << "";
    QTest::newRow("several: the one picked")
        << QByteArray("several") << 1 << false << QStringList{}
        << QStringList{find, link + " --book https://dav.example/ann/home/"} << "";
    QTest::newRow("none: Rolvane made") << QByteArray("none") << -1 << false << QStringList{}
                                        << QStringList{find, link + " --create Rolvane"} << "";
    QTest::newRow("self-signed: trusted, then pinned")
        << QByteArray("self-signed") << -1 << false
        << QStringList{"The certificate of dav.example could not be verified"}
        << QStringList{find, find + pin, link + " --book https://dav.example/ann/book/" + pin}
        << "";
    QTest::newRow("redirect: confirmed, then allowed")
        << QByteArray("redirect") << -1 << false
        << QStringList{"The server sends us on to dav2.example"}
        << QStringList{find, find + " --allow-host dav2.example",
                       link + " --book https://dav.example/ann/book/ --allow-host dav2.example"}
        << "";
    QTest::newRow("cards on both sides, not merged: nothing linked")
        << QByteArray("cards") << -1 << false << QStringList{}
        << QStringList{find, link + " --book https://dav.example/ann/book/"}
        << "Nothing was linked: this address book holds 3 contacts and the one on the server 5 "
           "cards.";
    QTest::newRow("cards on both sides, merged")
        << QByteArray("cards") << -1 << true << QStringList{}
        << QStringList{find, link + " --book https://dav.example/ann/book/ --merge"} << "";
}

void TstFrmLink::linkFlow() {
    QFETCH(QByteArray, server);
    QFETCH(int, pick);
    QFETCH(bool, merge);
    QFETCH(QStringList, asked);
    QFETCH(QStringList, runs);
    QFETCH(QString, said);
    qputenv("LINK_STAND_IN", server);
    openDialog("https://dav.example/", "ann", "s3cret word");
    QTest::keyClick(control<QLineEdit>("txtPassword"), Qt::Key_Return);
    QTRY_VERIFY(control<QPushButton>("cmdLink")->isEnabled());
    QCOMPARE(messages_->questions.size(), asked.size());
    for (int i = 0; i < asked.size(); ++i)
        QVERIFY2(messages_->questions[i].startsWith(asked[i]), qPrintable(messages_->questions[i]));
    if (!asked.isEmpty() && asked[0].contains("certificate"))
        QVERIFY(messages_->questions[0].contains("AB:CD:EF:01:23:45:67:89:AB:CD"));
    auto* list = control<QListWidget>("lstBooks");
    QCOMPARE(list->count(), server == "several" ? 2 : 1);
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(list->item(0)->text(), server == "several" ? "Work (3 cards)"
                                    : server == "none"  ? "Rolvane (a new address book)"
                                    : server == "cards" ? "Book (5 cards)"
                                                        : "Book (0 cards)");
    // The stand-in's book holds 3 contacts: only an address book with cards asks to merge.
    QCOMPARE(control<QCheckBox>("chkMerge")->isVisible(), server == "cards" || server == "several");
    if (pick >= 0) {
        list->setCurrentRow(pick); // "Home", without cards
        QVERIFY(control<QCheckBox>("chkMerge")->isHidden());
    }
    if (merge)
        QTest::mouseClick(control<QCheckBox>("chkMerge"), Qt::LeftButton, {}, QPoint(5, 5));
    // Enter, wherever the focus went, takes the choice.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    QStringList expected;
    for (const QString& run : runs)
        expected << "sync add https://dav.example/ --file " + book_->path() + " " + run
                 << "stdin: s3cret word";
    if (said.isEmpty()) {
        QTRY_VERIFY(!app::frmLink().isLoaded());
        QTRY_VERIFY(!app::frmSync().isSyncing());
        QCOMPARE(starts(), expected + QStringList{"sync --file " + book_->path() + " --machine"});
        QVERIFY2(messages_->messages.isEmpty(), qPrintable(messages_->messages.join('\n')));
        return;
    }
    QTRY_COMPARE(messages_->messages.size(), 1);
    QVERIFY2(messages_->messages[0].startsWith(said), qPrintable(messages_->messages[0]));
    QCOMPARE(starts(), expected);
    QVERIFY(app::frmLink().isVisible());
    QVERIFY(control<QCheckBox>("chkMerge")->isVisible());
    QVERIFY(!control<QCheckBox>("chkMerge")->isChecked());
}

void TstFrmLink::timerTurnedOnForTheUsualBook() {
    qputenv("LINK_STAND_IN", "none");
    ui::setSystemctlProgram(LINK_STAND_IN);
    int linked = 0;
    connect(&app::frmLink(), &ui::LinkWindow::linked, this, [&](const QString& path) {
        QCOMPARE(path, book_->path());
        ++linked;
    });
    app::frmLink().linkBook(book_->path(), true);
    QVERIFY(QTest::qWaitForWindowActive(app::frmLink().window()));
    QVERIFY(control<QCheckBox>("chkTimer")->isVisible());
    QTest::keyClicks(control<QLineEdit>("txtAddress"), "https://dav.example/");
    QTest::mouseClick(control<QCheckBox>("chkTimer"), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(control<QPushButton>("cmdFind"), Qt::LeftButton);
    QTRY_VERIFY(control<QPushButton>("cmdLink")->isEnabled());
    QTest::mouseClick(control<QPushButton>("cmdLink"), Qt::LeftButton);
    QTRY_COMPARE(linked, 1);
    ui::setSystemctlProgram({});
    // No user name: no password goes to the tool.
    const QString add = "sync add https://dav.example/ --file " + book_->path() + " --machine";
    QCOMPARE(starts(), (QStringList{add + " --find", "stdin: ", add + " --create Rolvane",
                                    "stdin: ", "--user enable --now rolvane-sync.timer"}));
}

void TstFrmLink::closingStopsTheChild_data() {
    QTest::addColumn<QByteArray>("server");
    QTest::newRow("stops on SIGTERM") << QByteArray("slow");
    QTest::newRow("killed when SIGTERM is ignored") << QByteArray("stubborn");
}

void TstFrmLink::closingStopsTheChild() {
    QFETCH(QByteArray, server);
    qputenv("LINK_STAND_IN", server);
    openDialog("https://dav.example/", "", "");
    QTest::keyClick(control<QLineEdit>("txtAddress"), Qt::Key_Return);
    QTRY_COMPARE(starts().size(), 2); // it has read its input: it waits now
    QVERIFY(app::frmLink().isRunning());
    QVERIFY(!control<QPushButton>("cmdFind")->isEnabled());
    QTest::keyClick(app::frmLink().window(), Qt::Key_Escape);
    QVERIFY(!app::frmLink().isLoaded());
    QVERIFY(!app::frmLink().isRunning());
    QVERIFY(messages_->messages.isEmpty());
}

// The window has no command line: a missing keyring is told in its words, and nothing is linked.
void TstFrmLink::noKeyringLinksNothing() {
    qputenv("LINK_STAND_IN", "no-keyring");
    openDialog("https://dav.example/", "ann", "s3cret");
    QTest::keyClick(control<QLineEdit>("txtPassword"), Qt::Key_Return);
    QTRY_COMPARE(messages_->messages.size(), 1);
    QVERIFY2(messages_->messages[0].startsWith("No desktop keyring (Secret Service) is running "
                                               "to keep the password, so nothing was linked."),
             qPrintable(messages_->messages[0]));
    QVERIFY(!control<QPushButton>("cmdLink")->isEnabled());
}

// The real tool to Radicale: the dialog finds no address book, makes "Rolvane", keeps the
// password in the keyring and stores the link; the first sync then sends the book's contacts,
// and a change made there later shows in the open window.
void TstFrmLink::linksARealServer() {
    if (qEnvironmentVariableIsEmpty("ROLVANE_REAL_KEYRING"))
        QSKIP("needs a keyring of its own: CTest runs it as tst_frm_link_real");
    if (const QString why = test::DavServer::missing(test::DavServer::Kind::Radicale);
        !why.isEmpty())
        QSKIP(qPrintable(why));
    test::DavServer server(test::DavServer::Kind::Radicale);
    QVERIFY(server.start());
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    app::frmLink().setLinkProgram(ROLVANE_DB);
    app::frmSync().setSyncProgram(ROLVANE_DB);
    book_->insert({{"First Name", "Ann"}, {"Last Name", "Lee"}});
    openDialog(server.url().toString(), server.user(), "secret");
    QTest::keyClick(control<QLineEdit>("txtPassword"), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(control<QPushButton>("cmdLink")->isEnabled(), 20000);
    QVERIFY2(messages_->messages.isEmpty(), qPrintable(messages_->messages.join('\n')));
    QCOMPARE(control<QListWidget>("lstBooks")->item(0)->text(), "Rolvane (a new address book)");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(!app::frmLink().isLoaded(), 20000);
    QVERIFY2(messages_->messages.isEmpty(), qPrintable(messages_->messages.join('\n')));
    const QUrl linked(book_->value("select [Url] from [Rolvane Sync Link]"));
    QCOMPARE(linked.path(), "/test/rolvane/");
    QVERIFY(!entry("mnuSyncLink")->isEnabled());
    QVERIFY(app::frmSync().isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!app::frmSync().isSyncing(), 30000);
    const QStringList cards = server.cards(linked);
    QCOMPARE(cards.size(), 1);

    // Changed on the server as a phone would: Sync Now brings it into the open window.
    QByteArray card = server.send("GET", QUrl(cards[0])).body;
    card.replace("Ann", "Anna");
    QVERIFY(server.send("PUT", QUrl(cards[0]), card, {{"Content-Type", "text/vcard"}}).ok());
    entry("mnuSyncNow")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!app::frmSync().isSyncing(), 30000);
    QTRY_COMPARE(app::frmAddy().window()->findChild<QLineEdit*>("Text1")->text(), "Anna");
    qunsetenv("XDG_CONFIG_HOME");
}

QTEST_MAIN(TstFrmLink)
#include "tst_frm_link.moc"
