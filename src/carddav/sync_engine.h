// SPDX-License-Identifier: GPL-3.0-or-later
// One sync of a linked book: local deletes, edits and new contacts sent first, then what changed
// on the server listed, recorded, fetched and merged. Every step acts on what the book records
// (the server's card as observed, the texts as last synced, the contact now), so a sync stopped
// between any two steps is taken up by the next from the book alone.
#pragma once

#include "http_client.h"
#include "sync_store.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace rolvane::carddav {

struct SyncOptions {
    bool allowMassDelete = false;
    QString revision; // REV for what is sent; empty: now
    // A UID for a card new here (also its file name); empty: a random one.
    std::function<QString()> newUid;
};

struct SyncSummary {
    int newHere = 0, changedHere = 0, deletedHere = 0;
    int sent = 0, deletedThere = 0, conflicts = 0, paired = 0;
    QStringList warnings;
    QString error; // why the sync stopped; empty when it finished
    bool stoppedForMassDelete = false;

    // "3 new here, 1 changed here, 2 sent, 1 deleted there, 1 conflict".
    QString line() const;
};

SyncSummary runSync(SyncStore& store, HttpClient& client, const Link& link,
                    const SyncOptions& options);

} // namespace rolvane::carddav
