// SPDX-License-Identifier: GPL-3.0-or-later
// One sync of a linked book: local deletes, edits and new contacts sent first, then what changed
// on the server listed, recorded, fetched and merged. Every step acts on what the book records
// (the server's card as observed, the texts as last synced, the contact now), so a sync stopped
// between any two steps is taken up by the next from the book alone.
#pragma once

#include "http_client.h"
#include "sync_result.h"
#include "sync_store.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace rolvane::carddav {

enum class SyncPhase {
    Sending,  // local deletes, edits and new contacts of this round (an edit whose card is gone
              // there adds one: it goes back as a new card)
    Listing,  // what changed there: `done` the members listed so far, `total` 0 (not known)
    Fetching, // the cards to fetch: `total` of this page's
};

struct SyncProgress {
    SyncPhase phase = SyncPhase::Sending;
    int done = 0;
    int total = 0;
};

struct SyncOptions {
    bool allowMassDelete = false;
    QString revision; // REV for what is sent; empty: now
    // A UID for a card new here (also its file name); empty: a random one.
    std::function<QString()> newUid;
    // Called on the sync's own thread after each card sent, each page listed and each batch
    // fetched; within a phase `done` never goes down. A new round starts a phase again.
    std::function<void(const SyncProgress&)> progress;
};

struct SyncSummary {
    int newHere = 0, changedHere = 0, deletedHere = 0;
    int sent = 0, deletedThere = 0, conflicts = 0, paired = 0;
    QStringList warnings;
    // The contacts a conflict touched, by name, each once, and by identity.
    QStringList conflicted;
    std::vector<qint64> conflictedContacts;
    SyncResult stop; // why the sync stopped or did not start; done when it finished

    // "3 new here, 1 changed here, 2 sent, 1 deleted there, 1 conflict".
    QString line() const;
};

// Stopped, with kind Cancelled, by the client's cancel flag (HttpClient::setCancel): no request
// is sent once it is set, and the one under way is aborted. Like a dropped connection, that
// leaves the book where the next sync takes it up.
SyncSummary runSync(SyncStore& store, HttpClient& client, const Link& link,
                    const SyncOptions& options);

} // namespace rolvane::carddav
