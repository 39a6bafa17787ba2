// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the Sync window from its layout table and turns the child's lines into plain words.
#include "frm_sync.h"

#include "child_lines.h"
#include "data/sync_link_state.h"
#include "frm_sync_layout.h"
#include "sync_result_words.h"
#include "sync_timer.h"
#include "ui/common/light_palette.h"
#include "ui/common/program_icon.h"
#include "ui/common/twips.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

namespace rolvane::ui {

namespace {

// Soon after the first contact shows, so the window is up before the child starts.
constexpr int kFirstQuietSyncMs = 5000;
constexpr int kQuietSyncEveryMs = 15 * 60 * 1000;

} // namespace

frmSync::frmSync() : program_(defaultSyncProgram()), everyMs_(kQuietSyncEveryMs) {
    child_.onLine = [this](const SyncLine& line) { lineRead(line); };
    child_.onEnd = [this](const SyncEnd& end) { ended(end); };
    quietTimer_.setSingleShot(true);
    quietTimer_.setInterval(kFirstQuietSyncMs);
    connect(&quietTimer_, &QTimer::timeout, this, &frmSync::quietSyncDue);
}

void frmSync::setQuietSyncTimes(int firstMs, int everyMs) {
    quietTimer_.setInterval(firstMs);
    everyMs_ = everyMs;
}

void frmSync::keepSyncing(const QString& bookPath, bool usual) {
    quietBook_ = bookPath;
    quietUsual_ = usual;
    quietTimer_.start();
}

// A book linked later (or unlinked) is followed: the link is read at each turn.
void frmSync::quietSyncDue() {
    quietTimer_.setInterval(everyMs_);
    quietTimer_.start();
    if (child_.isRunning() || (quietUsual_ && syncTimerEnabled()) ||
        readSyncLink(quietBook_).kind != SyncLinkState::Kind::Linked)
        return;
    syncQuietly(quietBook_);
}

QWidget* frmSync::load() {
    auto* window = new QWidget;
    window->setObjectName(QStringLiteral("frmSync"));
    window->setWindowTitle(QString::fromLatin1(sync::kCaption));
    window->setWindowIcon(programIcon());
    window->setFixedSize(toPixels(sync::kClientWidth), toPixels(sync::kClientHeight));
    useLightPalette(window);
    setFixedBorder(window);
    buildControls(window, sync::kControls);

    const auto button = [window](const char* name) {
        return window->findChild<QPushButton*>(QString::fromLatin1(name));
    };
    connect(button("cmdCancel"), &QPushButton::clicked, this, &frmSync::cmdCancel_Click);
    connect(button("cmdClose"), &QPushButton::clicked, this, &frmSync::cmdClose_Click);
    button("cmdClose")->setFocus();
    // Filled before Show puts the window up, so it never shows empty.
    showState(window);
    return window;
}

QString frmSync::unlinkBook(const QString& bookPath, bool usual) {
    if (child_.isRunning())
        return QStringLiteral("A sync of this address book is running; unlink it once the sync "
                              "has ended.");
    QProcess remove;
    remove.start(program_, {QStringLiteral("sync"), QStringLiteral("remove"),
                            QStringLiteral("--file"), bookPath});
    remove.closeWriteChannel();
    // Quick: the tool drops two tables and a keyring entry.
    if (!remove.waitForFinished(30000)) {
        remove.kill();
        remove.waitForFinished();
        return QStringLiteral("%1 could not unlink the address book: %2")
            .arg(program_, remove.errorString());
    }
    if (remove.exitStatus() != QProcess::NormalExit || remove.exitCode() != 0) {
        const QString said = lastProblem(remove);
        return said.isEmpty()
                   ? QStringLiteral("%1 could not unlink the address book.").arg(program_)
                   : said;
    }
    // The timer syncs the usual book only.
    if (usual && syncTimerEnabled())
        if (const QString why = enableSyncTimer(false); !why.isEmpty())
            return QStringLiteral("The address book is unlinked, but %1").arg(why);
    return {};
}

void frmSync::syncQuietly(const QString& bookPath) {
    if (child_.isRunning())
        return;
    start(bookPath, true);
    showState();
}

void frmSync::start(const QString& bookPath, bool quiet) {
    status_ = QStringLiteral("Starting the sync...");
    done_ = total_ = 0;
    finished_ = false;
    conflicts_.clear();
    warnings_.clear();
    outcome_.clear();
    outcomeWords_.clear();
    result_.clear();
    child_.start(program_, bookPath, quiet);
}

void frmSync::syncNow(const QString& bookPath) {
    if (!child_.isRunning())
        start(bookPath, false);
    Show();
    showState();
}

bool frmSync::queryClose() {
    cmdClose_Click();
    return true;
}

void frmSync::cmdCancel_Click() {
    if (!child_.isRunning())
        return;
    status_ = QStringLiteral("Cancelling the sync...");
    child_.cancel();
    showState();
}

void frmSync::cmdClose_Click() {
    Hide();
    Unload();
}

void frmSync::lineRead(const SyncLine& line) {
    switch (line.kind) {
    case SyncLine::Kind::Progress:
        status_ = line.words;
        done_ = line.done;
        total_ = line.total;
        break;
    case SyncLine::Kind::Warning:
        warnings_ << line.words;
        break;
    case SyncLine::Kind::Conflict:
        conflicts_ << line.words;
        break;
    case SyncLine::Kind::Result:
        outcome_ = line.outcome;
        outcomeWords_ = line.words;
        break;
    case SyncLine::Kind::Unknown:
        break;
    }
    showState();
}

void frmSync::ended(const SyncEnd& end) {
    const SyncReport report = describeSync(end, outcome_, outcomeWords_, conflicts_, warnings_);
    status_ = report.status;
    result_ = report.text;
    finished_ = outcome_ == QLatin1String("done");
    showState();
    emit syncEnded();
}

void frmSync::showState() {
    if (isLoaded())
        showState(window());
}

void frmSync::showState(QWidget* window) {
    window->findChild<QLabel*>(QStringLiteral("lblStatus"))->setText(status_);
    auto* bar = window->findChild<QProgressBar*>(QStringLiteral("prgSync"));
    const int total = std::max(total_, 1);
    if (child_.isRunning() && total_ == 0) {
        bar->setRange(0, 0); // how much is left is not known: the bar only moves
    } else {
        bar->setRange(0, total);
        bar->setValue(finished_ ? total : std::min(done_, total));
    }
    window->findChild<QPlainTextEdit*>(QStringLiteral("txtResult"))->setPlainText(result_);
    window->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->setEnabled(child_.isRunning());
}

} // namespace rolvane::ui
