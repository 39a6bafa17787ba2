// SPDX-License-Identifier: GPL-3.0-or-later
// The Sync window: modeless, it shows what the running sync is doing and how the last one ended,
// with Cancel to stop it and Close to put the window away (a sync goes on without it).
#pragma once

#include "sync_child.h"
#include "ui/common/sync_window.h"

#include <QStringList>
#include <QTimer>

namespace rolvane::ui {

class frmSync : public SyncWindow {
    Q_OBJECT
public:
    // A sync still running when the instance goes is stopped with it.
    frmSync();

    void syncNow(const QString& bookPath) override;
    void syncQuietly(const QString& bookPath) override;
    void keepSyncing(const QString& bookPath, bool usual) override;
    // How soon after keepSyncing the first sync starts, and how often the next ones (tests).
    void setQuietSyncTimes(int firstMs, int everyMs);
    bool isSyncing() const override { return child_.isRunning(); }
    void stopSync() override { child_.stopNow(); }
    QString unlinkBook(const QString& bookPath, bool usual) override;

    // The program run as `PROGRAM sync --file BOOK --machine`; by default defaultSyncProgram().
    void setSyncProgram(const QString& path) { program_ = path; }

    void cmdCancel_Click();
    void cmdClose_Click();

protected:
    QWidget* load() override;
    // Closing through the frame is Close.
    bool queryClose() override;

private:
    void start(const QString& bookPath, bool quiet);
    void quietSyncDue();
    void lineRead(const SyncLine& line);
    void ended(const SyncEnd& end);
    // Puts the state below into the window's controls, when it is loaded.
    void showState();
    void showState(QWidget* window);

    SyncChild child_;
    QString program_;
    QTimer quietTimer_;
    int everyMs_;
    QString quietBook_;
    bool quietUsual_ = false;
    // What the window shows; kept here, so the window can be closed and shown again.
    QString status_;
    int done_ = 0, total_ = 0;
    bool finished_ = false; // the last sync ran to its end (the bar is full)
    QStringList conflicts_, warnings_;
    QString outcome_, outcomeWords_; // from the result line, when one came
    QString result_;
};

} // namespace rolvane::ui
