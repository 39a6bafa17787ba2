// SPDX-License-Identifier: GPL-3.0-or-later
// The Sync menu and the Sync window as a user meets them, over a real address book, with a
// scripted stand-in for the set-up tool's sync as the child process.
#include "app/forms.h"
#include "carddav/sync_store.h"
#include "support/layout_check.h"
#include "support/message_recorder.h"
#include "support/test_book.h"
#include "ui/common/fonts.h"
#include "ui/main/frm_addy.h"
#include "ui/sync/frm_sync.h"
#include "ui/sync/frm_sync_layout.h"
#include "ui/sync/sync_timer.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace rolvane;

class TstFrmSync : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void menuEntriesFollowTheLink();
    void linkUnlinkAndStatusSayWhatToDo();
    void unlinkForgetsTheLink_data();
    void unlinkForgetsTheLink();
    void timerFollowsSystemd();
    void linkedBookSyncsQuietly();
    void layoutMatchesTheTable();
    void syncShowsProgressResultAndKeepsTypedText_data();
    void syncShowsProgressResultAndKeepsTypedText();
    void cancelStopsTheChild_data();
    void cancelStopsTheChild();
    void endStopsARunningSync();
    void missingProgramIsNamed();
    void unreadableLinesArePassedOver_data();
    void unreadableLinesArePassedOver();

private:
    void open();
    void link();
    QAction* entry(const char* name) {
        return app::frmAddy().window()->findChild<QAction*>(QString::fromLatin1(name));
    }
    template <class T> T* syncControl(const char* name) { return app::frmSync().control<T>(name); }
    QStringList starts() const;

    std::unique_ptr<test::TestBook> book_;
    std::unique_ptr<test::MessageRecorder> messages_;
    QTemporaryDir logDir_;
    int ends_ = 0;
};

void TstFrmSync::initTestCase() {
    ui::useProgramFonts();
    qputenv("STAND_IN_LOG", logDir_.filePath("starts").toLocal8Bit());
}

void TstFrmSync::init() {
    book_ = std::make_unique<test::TestBook>();
    messages_ = std::make_unique<test::MessageRecorder>();
    ends_ = 0;
    QFile::remove(logDir_.filePath("starts"));
    app::setDatabasePath(book_->path());
    app::setEndAction([this] { ++ends_; });
    app::frmSync().setSyncProgram(SYNC_STAND_IN);
}

void TstFrmSync::cleanup() {
    app::releaseForms();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    messages_.reset();
    book_.reset();
}

void TstFrmSync::open() {
    app::frmAddy().Show();
    QVERIFY(QTest::qWaitForWindowActive(app::frmAddy().window()));
}

void TstFrmSync::link() {
    carddav::SyncStore store;
    QVERIFY(store.open(book_->path()).ok());
    carddav::Link made;
    made.url = "https://dav.example/ann/book/";
    made.name = "Ann's book";
    made.user = "ann";
    QVERIFY(store.addLink(made).ok());
}

QStringList TstFrmSync::starts() const {
    QFile log(logDir_.filePath("starts"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(log.readAll()).split('\n', Qt::SkipEmptyParts);
}

void TstFrmSync::menuEntriesFollowTheLink() {
    open();
    QMenuBar* bar = static_cast<QMainWindow*>(app::frmAddy().window())->menuBar();
    QStringList captions;
    for (QAction* a : bar->actions())
        captions << a->objectName() + "=" + a->text();
    QCOMPARE(captions, (QStringList{"About=&About", "mnuSync=S&ync"}));
    auto* menu = bar->findChild<QMenu*>("mnuSync");
    captions.clear();
    for (QAction* a : menu->actions())
        captions << a->objectName() + "=" + a->text();
    QCOMPARE(captions, (QStringList{"mnuSyncLink=&Link to a Server...", "mnuSyncNow=Sync &Now",
                                    "mnuSyncStatus=&Status...", "mnuSyncUnlink=&Unlink..."}));
    QCOMPARE(entry("mnuSyncNow")->shortcut(), QKeySequence(Qt::Key_F5));

    const auto enabled = [this] {
        QString states;
        for (const char* name : {"mnuSyncLink", "mnuSyncNow", "mnuSyncStatus", "mnuSyncUnlink"})
            states += entry(name)->isEnabled() ? '1' : '0';
        return states;
    };
    QCOMPARE(enabled(), "1000");
    // F5 does nothing before the book is linked.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
    QVERIFY(!app::frmSync().isVisible());

    // Linked meanwhile with the set-up tool: Alt+Y opens the menu, which shows it.
    link();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Y, Qt::AltModifier);
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(enabled(), "0111");
    menu->close();
    QTRY_VERIFY(QApplication::activeWindow() == app::frmAddy().window());

    qputenv("STAND_IN", "slow");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
    QTRY_VERIFY(app::frmSync().isVisible());
    QVERIFY(app::frmSync().isSyncing());
    QTRY_COMPARE(starts(), QStringList{"sync --file " + book_->path() + " --machine"});
}

void TstFrmSync::linkUnlinkAndStatusSayWhatToDo() {
    open();
    link();
    app::frmAddy().mnuSyncStatus_Click();
    app::frmAddy().mnuSyncUnlink_Click();
    QCOMPARE(messages_->messages.size(), 2);
    QVERIFY(messages_->messages[0].contains(
        "linked to \"Ann's book\" (https://dav.example/ann/book/) as ann"));
    QVERIFY(messages_->messages[0].contains("not been synced yet"));
    // Unlink asks first; Esc keeps the link.
    QVERIFY(messages_->messages[1].startsWith("Unlink this address book from \"Ann's book\""));
    QCOMPARE(messages_->choices.last(), (QStringList{"&Unlink", "Cancel"}));
    QVERIFY(starts().isEmpty());
}

void TstFrmSync::unlinkForgetsTheLink_data() {
    QTest::addColumn<QString>("standIn");
    QTest::addColumn<bool>("unlinked");
    QTest::newRow("the tool forgets it") << "" << true;
    QTest::newRow("the tool fails") << "refuse" << false;
}

void TstFrmSync::unlinkForgetsTheLink() {
    QFETCH(QString, standIn);
    QFETCH(bool, unlinked);
    qputenv("STAND_IN", standIn.toLocal8Bit());
    qputenv("STAND_IN_TOOL", ROLVANE_DB);
    link();
    open();
    messages_->answers = {0};
    entry("mnuSyncUnlink")->trigger();
    QCOMPARE(starts(), QStringList{"sync remove --file " + book_->path()});
    const QString linkTables =
        "select count(*) from sqlite_schema where name like 'Rolvane Sync %' and type = 'table'";
    QCOMPARE(book_->value(linkTables), unlinked ? "0" : "2");
    QCOMPARE(entry("mnuSyncLink")->isEnabled(), unlinked);
    QVERIFY2(
        messages_->messages.last().contains(unlinked ? "no longer linked" : "refused as asked"),
        qPrintable(messages_->messages.last()));
}

// Soon after the window opens and then at each turn, without the window or the keyring's prompt.
void TstFrmSync::linkedBookSyncsQuietly() {
    qputenv("STAND_IN", "done");
    link();
    app::frmSync().setQuietSyncTimes(50, 300);
    open();
    QTRY_COMPARE_WITH_TIMEOUT(starts().size(), 2, 5000);
    QCOMPARE(starts().first(), "sync --file " + book_->path() + " --machine --no-unlock");
    QVERIFY(!app::frmSync().isVisible());
    QVERIFY(messages_->messages.isEmpty());
}

// The timer's state is systemd's link in the user's configuration; turning it off is systemctl's.
void TstFrmSync::timerFollowsSystemd() {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QVERIFY(!ui::syncTimerEnabled());
    QVERIFY(QDir(config.path()).mkpath("systemd/user/timers.target.wants"));
    QVERIFY(QFile::link("/usr/lib/systemd/user/rolvane-sync.timer",
                        config.filePath("systemd/user/timers.target.wants/rolvane-sync.timer")));
    QVERIFY(ui::syncTimerEnabled());
    ui::setSystemctlProgram(SYNC_STAND_IN);
    qputenv("STAND_IN", "");
    QCOMPARE(ui::enableSyncTimer(false), QString());
    qputenv("STAND_IN", "refuse");
    QVERIFY(ui::enableSyncTimer(true).contains("could not turn the sync's timer on: stand-in"));
    QCOMPARE(starts(), (QStringList{"--user disable --now rolvane-sync.timer",
                                    "--user enable --now rolvane-sync.timer"}));
    ui::setSystemctlProgram({});
    qunsetenv("XDG_CONFIG_HOME");
}

void TstFrmSync::layoutMatchesTheTable() {
    app::frmSync().Show();
    QWidget* window = app::frmSync().window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->objectName(), "frmSync");
    QCOMPARE(window->windowTitle(), "Sync");
    QVERIFY(!window->isModal());
    QCOMPARE(window->size(), QSize(400, 249));
    test::checkControls(window, ui::sync::kControls);
}

void TstFrmSync::syncShowsProgressResultAndKeepsTypedText_data() {
    QTest::addColumn<bool>("typed");
    QTest::newRow("typed during the sync") << true;
    QTest::newRow("nothing typed") << false;
}

void TstFrmSync::syncShowsProgressResultAndKeepsTypedText() {
    QFETCH(bool, typed);
    book_->insert({{"First Name", "Ann"}, {"Last Name", "Lee"}});
    link();
    open();
    qputenv("STAND_IN", "done");
    entry("mnuSyncNow")->trigger();
    // The sync runs on while the user types, and a second Sync Now starts nothing.
    auto* first = app::frmAddy().control<QLineEdit>("Text1");
    if (typed) {
        first->setFocus();
        first->end(false);
        QTest::keyClicks(first, " typed");
    }
    book_->exec("update Rolvane set [First Name] = 'Synced'");
    QVERIFY(app::frmSync().isSyncing());
    entry("mnuSyncNow")->trigger();
    QTRY_COMPARE(syncControl<QLabel>("lblStatus")->text(),
                 "Fetching the cards changed there: 3 of 4");
    QCOMPARE(syncControl<QProgressBar>("prgSync")->value(), 3);
    QCOMPARE(syncControl<QProgressBar>("prgSync")->maximum(), 4);

    QTRY_VERIFY(!app::frmSync().isSyncing());
    QCOMPARE(syncControl<QLabel>("lblStatus")->text(), "The sync is done.");
    QCOMPARE(syncControl<QProgressBar>("prgSync")->value(), 4);
    const QString result = syncControl<QPlainTextEdit>("txtResult")->toPlainText();
    QVERIFY2(result.startsWith("The sync is done: 1 new here, 2 changed here, 2 conflicts.\n"),
             qPrintable(result));
    QVERIFY2(result.contains("this computer's text is kept in Comments:\n    Ann Lee\n    Bo Ek"),
             qPrintable(result));
    QVERIFY(result.contains("has no UID"));
    QVERIFY(!syncControl<QPushButton>("cmdCancel")->isEnabled());
    QCOMPARE(starts().size(), 1);
    // What was typed stays, pending; otherwise the contact shows as the sync left it.
    QCOMPARE(first->text(), typed ? "Ann typed" : "Synced");
    QCOMPARE(app::frmAddy().datAddy().hasPendingEdits(), typed);
    QCOMPARE(book_->value("select [First Name] from Rolvane"), "Synced");
    QVERIFY(messages_->messages.isEmpty());
}

void TstFrmSync::cancelStopsTheChild_data() {
    QTest::addColumn<QByteArray>("standIn");
    QTest::addColumn<int>("within");
    QTest::newRow("stops on SIGTERM") << QByteArray("slow") << 2000;
    QTest::newRow("killed when SIGTERM is ignored") << QByteArray("stubborn") << 5000;
}

void TstFrmSync::cancelStopsTheChild() {
    QFETCH(QByteArray, standIn);
    QFETCH(int, within);
    link();
    open();
    qputenv("STAND_IN", standIn);
    entry("mnuSyncNow")->trigger();
    QTRY_COMPARE(syncControl<QLabel>("lblStatus")->text(),
                 "Asking the server what changed: 5 cards so far");
    QCOMPARE(syncControl<QProgressBar>("prgSync")->maximum(), 0); // no total: the bar only moves
    QTest::mouseClick(syncControl<QPushButton>("cmdCancel"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!app::frmSync().isSyncing(), within);
    QCOMPARE(syncControl<QLabel>("lblStatus")->text(), "The sync was cancelled.");
    QVERIFY(syncControl<QPlainTextEdit>("txtResult")->toPlainText().contains("next sync"));
    // Close puts the window away; the next Show has the same words.
    QTest::mouseClick(syncControl<QPushButton>("cmdClose"), Qt::LeftButton);
    QVERIFY(!app::frmSync().isVisible());
    app::frmSync().Show();
    QCOMPARE(syncControl<QLabel>("lblStatus")->text(), "The sync was cancelled.");
}

void TstFrmSync::endStopsARunningSync() {
    link();
    open();
    qputenv("STAND_IN", "stubborn");
    entry("mnuSyncNow")->trigger();
    QTRY_COMPARE(syncControl<QLabel>("lblStatus")->text(),
                 "Asking the server what changed: 5 cards so far");
    // End returns with the child gone, even one that ignores SIGTERM.
    app::frmAddy().cmdEnd_Click();
    QCOMPARE(ends_, 1);
    QVERIFY(!app::frmSync().isSyncing());
    QVERIFY(!app::frmSync().isVisible());
}

void TstFrmSync::missingProgramIsNamed() {
    link();
    open();
    app::frmSync().setSyncProgram(logDir_.filePath("no-such-program"));
    entry("mnuSyncNow")->trigger();
    QTRY_COMPARE(syncControl<QLabel>("lblStatus")->text(), "The sync could not start.");
    QVERIFY(syncControl<QPlainTextEdit>("txtResult")->toPlainText().contains("no-such-program"));
    QVERIFY(!app::frmSync().isSyncing());
}

void TstFrmSync::unreadableLinesArePassedOver_data() {
    QTest::addColumn<QString>("line");
    QTest::newRow("empty") << "";
    QTest::newRow("unknown event") << "finished\tdone";
    QTest::newRow("progress without words") << "progress\tsending\t1\t2";
    QTest::newRow("negative count") << "progress\tsending\t-1\t2\twords";
    QTest::newRow("result short a count") << "result\tdone\t1\t2\t0\t1\t0\t2\twords";
    QTest::newRow("result without a kind") << "result\t\t1\t2\t0\t1\t0\t2\t0\twords";
    QTest::newRow("conflict with a tab") << "conflict\tAnn\tLee";
}

void TstFrmSync::unreadableLinesArePassedOver() {
    QFETCH(QString, line);
    QCOMPARE(int(ui::readSyncLine(line).kind), int(ui::SyncLine::Kind::Unknown));
}

QTEST_MAIN(TstFrmSync)
#include "tst_frm_sync.moc"
