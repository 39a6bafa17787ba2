// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the main window from its layout table and wires each control to its one handler.
#include "frm_addy.h"

#include "access_key_owner.h"
#include "accessible_names.h"
#include "contact_file_drops.h"
#include "contact_file_import.h"
#include "contact_keys.h"
#include "data/book_watcher.h"
#include "data/contact_table.h"
#include "data/date_stamp.h"
#include "data/query_texts.h"
#include "data/text_view.h"
#include "frm_addy_layout.h"
#include "navigation_bar.h"
#include "platform/windows_path.h"
#include "sync_menu.h"
#include "ui/common/bound_text.h"
#include "ui/common/light_palette.h"
#include "ui/common/link_window.h"
#include "ui/common/message_box.h"
#include "ui/common/program.h"
#include "ui/common/program_icon.h"
#include "ui/common/source_report.h"
#include "ui/common/sync_window.h"
#include "ui/common/twips.h"

#include <QDate>
#include <QLayout>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <array>

namespace rolvane::ui {

namespace {

BoundField* boundField(QWidget* widget) {
    return dynamic_cast<BoundField*>(widget);
}

// The letter buttons' handlers, in the order of addy::kLetterNames.
constexpr std::array<void (frmAddy::*)(), 26> kLetterHandlers = {
    &frmAddy::cmdA_Click, &frmAddy::cmdB_Click, &frmAddy::cmdC_Click, &frmAddy::cmdD_Click,
    &frmAddy::cmdE_Click, &frmAddy::cmdF_Click, &frmAddy::cmdG_Click, &frmAddy::cmdH_Click,
    &frmAddy::cmdI_Click, &frmAddy::cmdJ_Click, &frmAddy::cmdK_Click, &frmAddy::cmdL_Click,
    &frmAddy::cmdM_Click, &frmAddy::cmdN_Click, &frmAddy::cmdO_Click, &frmAddy::cmdP_Click,
    &frmAddy::cmdQ_Click, &frmAddy::cmdR_Click, &frmAddy::cmdS_Click, &frmAddy::cmdT_Click,
    &frmAddy::cmdU_Click, &frmAddy::cmdV_Click, &frmAddy::cmdW_Click, &frmAddy::cmdX_Click,
    &frmAddy::cmdY_Click, &frmAddy::cmdZ_Click};

} // namespace

frmAddy::frmAddy(Program& program) : frmAddy(program, platform::nativePath(kDatabaseName)) {}

frmAddy::frmAddy(Program& program, const QString& databasePath)
    : program_(program), datAddy_(databasePath) {
    datAddy_.setRecordSource(fromView(query::kInitial));
}

bool frmAddy::report(bool ok) {
    return reportSource(datAddy_, ok);
}

frmAddy::~frmAddy() {
    if (isLoaded())
        unloading();
}

QWidget* frmAddy::load() {
    auto* window = new QMainWindow;
    window->setObjectName(QStringLiteral("frmAddy"));
    window->setWindowTitle(QString::fromLatin1(addy::kCaption));
    window->setWindowIcon(programIcon());
    useLightPalette(window);

    auto* client = new QWidget(window);
    client->setObjectName(QStringLiteral("frmAddyClient"));
    client->setFixedSize(toPixels(addy::kClientWidth), toPixels(addy::kClientHeight));
    setBackground(client, addy::kGreen);
    window->setCentralWidget(client);
    buildControls(client, addy::kControls, addy::kLines);

    auto* bar = new NavigationBar(datAddy_, client);
    bar->setObjectName(QStringLiteral("datAddy"));
    bar->setGeometry(toPixels(addy::kBarLeft, addy::kBarTop, addy::kBarWidth, addy::kBarHeight));

    QAction* about = window->menuBar()->addAction(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("About"));
    connect(about, &QAction::triggered, this, &frmAddy::About_Click);
    addSyncMenu(window->menuBar());
    const auto menuEntry = [window](const char* name) {
        return window->menuBar()->findChild<QAction*>(QString::fromLatin1(name));
    };
    connect(menuEntry("mnuSyncLink"), &QAction::triggered, this, &frmAddy::mnuSyncLink_Click);
    connect(menuEntry("mnuSyncNow"), &QAction::triggered, this, &frmAddy::mnuSyncNow_Click);
    connect(menuEntry("mnuSyncStatus"), &QAction::triggered, this, &frmAddy::mnuSyncStatus_Click);
    connect(menuEntry("mnuSyncUnlink"), &QAction::triggered, this, &frmAddy::mnuSyncUnlink_Click);
    connect(window->menuBar()->findChild<QMenu*>(QStringLiteral("mnuSync")), &QMenu::aboutToShow,
            this, &frmAddy::updateSyncMenu);

    const auto button = [client](const char* name) {
        return client->findChild<QPushButton*>(QString::fromLatin1(name));
    };
    connect(button("cmdAdd"), &QPushButton::clicked, this, &frmAddy::cmdAdd_Click);
    connect(button("cmdUpdate"), &QPushButton::clicked, this, &frmAddy::cmdUpdate_Click);
    connect(button("cmdDelete"), &QPushButton::clicked, this, &frmAddy::cmdDelete_Click);
    connect(button("cmdSearch"), &QPushButton::clicked, this, &frmAddy::cmdSearch_Click);
    connect(button("cmdEnd"), &QPushButton::clicked, this, &frmAddy::cmdEnd_Click);
    for (std::size_t n = 0; n < addy::kLetterNames.size(); ++n) {
        auto* letter = client->findChild<QPushButton*>(fromView(addy::kLetterNames[n]));
        connect(letter, &QPushButton::clicked, this, kLetterHandlers[n]);
    }
    // Alt+A is Add's; the menu entry keeps its underlined letter and its mouse click.
    new AccessKeyOwner(window, Qt::Key_A, button("cmdAdd"));

    applyAccessibleNames(window);
    installContactKeys(window);

    // After a save that failed, Esc puts the stored values back; otherwise it does nothing.
    auto* restore = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    connect(restore, &QShortcut::activated, this, &frmAddy::restoreStored);

    new ContactFileDrops(window, [this](const QStringList& paths) { importFiles(paths); });

    window->layout()->setSizeConstraint(QLayout::SetFixedSize);
    setFixedBorder(window);

    for (int i = 1; i <= 11; ++i)
        datAddy_.bind(boundField(client->findChild<QWidget*>(QStringLiteral("Text%1").arg(i))));
    datAddy_.setRecordSource(fromView(query::kInitial));
    report(datAddy_.Refresh());
    client->findChild<QWidget*>(QStringLiteral("Text1"))->setFocus();
    // Watched after the first Refresh, which may bring an older book up to date. The variable
    // lets the idle benchmark measure the window without the watch, and keeps it out of the
    // tests of other things (the live book's own tests clear it).
    if (!qEnvironmentVariableIsSet("ROLVANE_UNWATCHED")) {
        auto* watcher = new BookWatcher(datAddy_.databasePath(), window);
        watcher->setObjectName(QStringLiteral("bookWatcher"));
        connect(watcher, &BookWatcher::bookChanged, this, &frmAddy::bookChanged);
    }
    enableSyncMenu(window->menuBar(), readSyncLink(datAddy_.databasePath()).kind);
    SyncWindow& sync = program_.frmSync();
    connect(&sync, &SyncWindow::syncEnded, this, &frmAddy::bookChanged, Qt::UniqueConnection);
    sync.keepSyncing(datAddy_.databasePath(), isUsualBook());
    return window;
}

bool frmAddy::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window() && event->type() == QEvent::WindowActivate)
        updateSyncMenu();
    return Form::eventFilter(watched, event);
}

void frmAddy::updateSyncMenu() {
    if (auto* window = qobject_cast<QMainWindow*>(this->window()))
        enableSyncMenu(window->menuBar(), readSyncLink(datAddy_.databasePath()).kind);
}

void frmAddy::unloading() {
    if (QWidget* w = window()) {
        for (int i = 1; i <= 11; ++i)
            datAddy_.unbind(boundField(w->findChild<QWidget*>(QStringLiteral("Text%1").arg(i))));
    }
}

bool frmAddy::queryClose() {
    // Typed text is written before the program ends; if it cannot be, the window stays open.
    if (!report(datAddy_.writePending()))
        return false;
    program_.End();
    return true;
}

void frmAddy::restoreStored() {
    if (datAddy_.saveFailed())
        report(datAddy_.cancelEdits());
}

void frmAddy::cmdAdd_Click() {
    report(datAddy_.Recordset().AddNew());
}

void frmAddy::cmdUpdate_Click() {
    // A blank form nobody typed into stays blank: the stamp alone makes no contact.
    const bool somethingToSave = datAddy_.hasCurrentRow() || datAddy_.hasPendingEdits();
    if (auto* field = boundField(control<QWidget>("Text11"))) {
        field->setText(dateStamp(QDate::currentDate()));
        field->setEdited(somethingToSave);
    }
    // A failing step stops the command; what the steps had to tell shows in one box.
    report(datAddy_.SaveRecord() && datAddy_.Refresh() && datAddy_.Recordset().MoveFirst());
}

void frmAddy::cmdDelete_Click() {
    report(datAddy_.Recordset().Delete() && datAddy_.Refresh());
}

void frmAddy::cmdEnd_Click() {
    program_.End();
}

void frmAddy::cmdSearch_Click() {
    program_.frmSearch().Show();
}

void frmAddy::About_Click() {
    program_.frmAbout().Show();
}

bool frmAddy::isUsualBook() const {
    return datAddy_.databasePath() == platform::nativePath(kDatabaseName);
}

void frmAddy::mnuSyncLink_Click() {
    LinkWindow& link = program_.frmLink();
    connect(&link, &LinkWindow::linked, this, &frmAddy::bookLinked, Qt::UniqueConnection);
    link.linkBook(datAddy_.databasePath(), isUsualBook());
}

void frmAddy::bookLinked() {
    updateSyncMenu();
    mnuSyncNow_Click();
}

void frmAddy::mnuSyncNow_Click() {
    SyncWindow& sync = program_.frmSync();
    connect(&sync, &SyncWindow::syncEnded, this, &frmAddy::bookChanged, Qt::UniqueConnection);
    sync.syncNow(datAddy_.databasePath());
}

void frmAddy::mnuSyncStatus_Click() {
    showMessage(syncStatusText(readSyncLink(datAddy_.databasePath())));
}

void frmAddy::mnuSyncUnlink_Click() {
    const SyncLinkState link = readSyncLink(datAddy_.databasePath());
    if (link.kind != SyncLinkState::Kind::Linked) {
        updateSyncMenu();
        showMessage(syncStatusText(link));
        return;
    }
    if (askChoice(unlinkQuestion(link), {QStringLiteral("&Unlink"), QStringLiteral("Cancel")}) != 0)
        return;
    const QString why = program_.frmSync().unlinkBook(datAddy_.databasePath(), isUsualBook());
    updateSyncMenu();
    showMessage(why.isEmpty() ? QStringLiteral("This address book is no longer linked; its "
                                               "contacts stay here.")
                              : why);
}

void frmAddy::bookChanged() {
    updateSyncMenu();
    // Typed text is never replaced: the user saves it over the other program's change as over any
    // other (the conflict choices apply), and the change is taken up at the next look after it.
    // An import under way refreshes when it ends.
    if (!isLoaded() || importing_ || datAddy_.hasPendingEdits() || datAddy_.isAdding())
        return;
    // The window's own saves wake the watcher too.
    if (!datAddy_.changedElsewhere())
        return;
    // Found again by identity: the rowid shown may since have been given to another contact.
    long long row = datAddy_.currentRowId();
    if (const long long contact = datAddy_.currentContact(); contact != 0) {
        row = datAddy_.rowOfContact(contact);
        // Deleted underneath: it stays shown, and is skipped once the user moves on.
        if (row == 0)
            return;
    }
    report(datAddy_.Refresh() && (row == 0 || datAddy_.Recordset().MoveToRow(row)));
    emit bookReread();
}

void frmAddy::importFiles(const QStringList& paths) {
    // A drop while the progress window is up would wait on the running import's lock.
    if (importing_)
        return;
    const QScopedValueRollback<bool> busy(importing_, true);
    // Typed text goes in first, so the refresh after the import has nothing pending to lose.
    if (!report(datAddy_.writePending()))
        return;
    for (const QString& path : paths) {
        const FileImportOutcome outcome =
            importContactFile(path, datAddy_.databasePath(), window());
        if (outcome.firstAdded != 0) {
            datAddy_.setRecordSource(fromView(query::kInitial));
            report(datAddy_.Refresh() && datAddy_.Recordset().MoveToRow(outcome.firstAdded));
        }
        if (!outcome.message.isEmpty())
            showMessage(outcome.message);
    }
}

void frmAddy::showLetter(std::size_t letter) {
    datAddy_.setRecordSource(fromView(query::kLetters[letter]));
    report(datAddy_.Refresh());
}

} // namespace rolvane::ui
