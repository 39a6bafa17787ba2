// SPDX-License-Identifier: GPL-3.0-or-later
// Merging what was fetched into the book, and deleting here what is gone there. Each step reads
// only what the book records (the server's card, the texts as last synced, the contact now) and
// writes the contact only while it still holds what the sync read.
#pragma once

#include "sync_run.h"

#include <QElapsedTimer>
#include <QSet>
#include <chrono>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace rolvane::carddav {

struct Fetched {
    QString key;
    QByteArray etag;
    std::string card;
};

class Applier {
public:
    explicit Applier(SyncRun& run);
    // Merges the server's card into `item`'s contact, or adds the contact; on the first sync a
    // card new here is paired with a contact holding the same ten texts.
    SyncResult apply(Item& item, const Fetched& f, bool& resend);
    // A card gone there: its contact deleted here unless edited since (then it goes back as a
    // new card). Records to forget are added to `forgotten`.
    SyncResult applyGone(Item& item, std::vector<qint64>& forgotten);

private:
    SyncRun& run_;
    std::unordered_map<std::string, std::vector<qint64>> unpaired_;
    QSet<QString> uids_;
};

// Runs `step` in one transaction. When it is rolled back (a full disk, say), the counts go
// back too: the summary never tells of contacts that were not stored.
template <typename Step> SyncResult inTransaction(SyncRun& run, Step step) {
    SyncSummary before = run.summary;
    qint64 countBefore = -1, countAfter = -1;
    SyncResult why = run.store.begin();
    if (why.ok())
        why = run.store.changeCount(countBefore);
    if (why.ok()) {
        why = step();
        if (why.ok())
            why = run.store.changeCount(countAfter);
        if (!why.ok())
            run.store.rollback();
        else
            why = run.store.commit();
    }
    // Its own writes keep the count known; anyone else's before them make it unknown.
    if (why.ok())
        run.knownCount = countBefore == run.knownCount ? countAfter : -1;
    if (!why.ok()) {
        before.warnings = run.summary.warnings;
        run.summary = std::move(before);
    }
    return why;
}

// How long the sync holds the write lock at a time, and the pause after, in which a save in the
// window that waits for the lock takes it (it tries every millisecond).
inline constexpr qint64 kShortTransactionMs = 40;
inline void letWaitingSavesIn() {
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
}

// Runs `step(i)` for every i below `count` in transactions of about kShortTransactionMs, and
// `last()` in the final one (at least one runs), so a save never waits for thousands of writes.
template <typename Step, typename Last>
SyncResult inShortTransactions(SyncRun& run, std::size_t count, Step step, Last last) {
    std::size_t next = 0;
    do {
        QElapsedTimer held;
        held.start();
        if (SyncResult why = inTransaction(
                run,
                [&] {
                    for (; next < count && held.elapsed() < kShortTransactionMs; ++next)
                        if (SyncResult failed = step(next); !failed.ok())
                            return failed;
                    return next == count ? last() : SyncResult();
                });
            !why.ok())
            return why;
        if (next < count)
            letWaitingSavesIn();
    } while (next < count);
    return {};
}

} // namespace rolvane::carddav
