// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window and End ask of the Sync window: to sync the book in a child process, and
// to stop it. The main window re-reads the book when a sync has ended.
#pragma once

#include "form.h"

namespace rolvane::ui {

class SyncWindow : public Form {
    Q_OBJECT
public:
    // Shows the window and starts a sync of `bookPath`; while one runs, only shows the window.
    virtual void syncNow(const QString& bookPath) = 0;
    // Starts a sync without showing the window or the keyring's unlock prompt; nothing when one
    // runs. Its result waits in the window, and in Status.
    virtual void syncQuietly(const QString& bookPath) = 0;
    // From now on, while the book is linked, syncs it quietly soon and then every 15 minutes,
    // unless the packaged timer syncs it already (`usual`: the book the timer syncs).
    virtual void keepSyncing(const QString& bookPath, bool usual) = 0;
    virtual bool isSyncing() const = 0;
    // Stops a running sync before returning, within 2 seconds, and tells no one (End).
    virtual void stopSync() = 0;
    // Forgets the link of `bookPath`, what the sync kept and its password, and for the `usual`
    // book turns the timer off; empty when that worked, else why not.
    virtual QString unlinkBook(const QString& bookPath, bool usual) = 0;

signals:
    // A sync has ended, however it ended: the book may have changed underneath.
    void syncEnded();
};

} // namespace rolvane::ui
