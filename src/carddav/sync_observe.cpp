// SPDX-License-Identifier: GPL-3.0-or-later
// Observations first: a page's token is stored only together with what the page said of every
// card it named, so a sync stopped at any point after it has lost nothing the page told. A full
// listing (no token, or one refused) numbers itself; whatever its last page has not seen named
// is gone there, however many runs its pages took.
#include "listing.h"
#include "sync_apply.h"
#include "sync_run.h"

#include <algorithm>

namespace rolvane::carddav {

namespace {

qint64 nextListingNumber(const SyncRun& run) {
    qint64 highest = 0;
    for (const Item& item : run.items)
        highest = std::max(highest, item.seen);
    return highest + 1;
}

// What one member says of its card; returns the index of the record it touched, or -1.
qint64 observe(SyncRun& run, const Listed& m, const QString& key) {
    const auto known = run.byHref.constFind(key);
    if (known == run.byHref.constEnd()) {
        if (m.gone)
            return -1; // never known here
        Item item;
        item.href = key;
        run.byHref.insert(key, run.items.size());
        run.items.push_back(std::move(item));
    }
    const std::size_t index = known == run.byHref.constEnd() ? run.items.size() - 1 : *known;
    Item& item = run.items[index];
    item.sent = false; // named: the listing did not leave it out
    item.seen = run.link.listing != 0 ? run.link.listing : item.seen;
    if (m.gone) {
        item.gone = true;
    } else {
        item.gone = false;
        item.listed = m.etag;
        // No ETag to compare: fetched to be sure.
        item.fetch = item.fetch || m.etag.isEmpty() || m.etag != item.etag;
    }
    return qint64(index);
}

// The listing is complete: what it should have named and did not is gone there. The first
// sync's pairing is done only once the cards it named are fetched (fetchChanges).
void concludeListing(SyncRun& run, std::vector<std::size_t>& touched) {
    const bool full = run.link.listing != 0;
    for (std::size_t i = 0; i < run.items.size(); ++i) {
        Item& item = run.items[i];
        const bool unseen = full && item.seen != run.link.listing && (item.synced || !item.contact);
        if ((unseen || item.sent) && !item.gone) {
            item.gone = true;
            item.sent = false;
            touched.push_back(i);
        }
    }
    run.link.listing = 0;
}

} // namespace

SyncResult recordPage(SyncRun& run, const Listing& listing, bool last) {
    if (run.link.token.isEmpty() && run.link.listing == 0)
        run.link.listing = nextListingNumber(run);
    std::vector<std::size_t> touched;
    touched.reserve(listing.members.size());
    for (const Listed& m : listing.members) {
        const QString key = run.keyOf(m.href);
        if (key.isEmpty()) {
            run.summary.warnings
                << QStringLiteral("The server listed %1, outside the address book; it was ignored.")
                       .arg(m.href);
            continue;
        }
        if (const qint64 index = observe(run, m, key); index >= 0)
            touched.push_back(std::size_t(index));
    }
    if (last)
        concludeListing(run, touched);
    run.link.token = listing.token;
    // The token goes with the last record: stopped before it, the next sync lists from the old
    // token and observes the same again.
    return inShortTransactions(
        run, touched.size(),
        [&](std::size_t i) { return run.store.saveItem(run.items[touched[i]]); },
        [&] { return run.store.saveListing(run.link); });
}

} // namespace rolvane::carddav
