// SPDX-License-Identifier: GPL-3.0-or-later
// What the sync keeps in the book, beside the contact table: the link (one per book) and, per
// card, what was last observed of it there (listed ETag, reported gone, still to fetch), the
// server's card as last merged with its ETag, the texts as last synced, and the contact it
// belongs to by identity (contact_identity.h), which no writer of the book can hand to another.
#pragma once

#include "data/sqlite_db.h"
#include "sync_result.h"
#include "texts.h"

#include <QString>
#include <optional>
#include <unordered_map>
#include <vector>

namespace rolvane::carddav {

struct Link {
    QString url; // the address book, ending in "/"
    QString user;
    QString name;
    QString token;       // sync-token as received; empty: list everything next time
    bool paired = false; // the first listing (pairing equal contacts) is complete
    bool version4 = false;
    // The full listing under way, if any: the number its pages mark the cards they name with.
    // Whatever it did not name when its last page came is gone there.
    qint64 listing = 0;
    // The count of changes to the contacts (changeCount) when a sync last left everything
    // synced; -1 when unknown. While the count is the same, nothing here needs reading.
    qint64 clean = -1;
    QString lastSync, lastResult;
};

struct Item {
    qint64 id = 0;
    // The contact's identity; empty: deleted here, or a card there not fetched yet.
    std::optional<qint64> contact;
    QString href; // path on the server
    QString uid;
    QByteArray etag;  // of `card`, the server's card as last merged; empty when unknown
    std::string card; // read only when needed: see cardLoaded
    // False while `card` was not read from the book; saveItem then leaves the stored card as it
    // is. Holding every card at once would cost a sync of many contacts their size in memory.
    bool cardLoaded = true;
    std::optional<PackedTexts> synced; // empty: new on one side, not merged yet
    QByteArray listed;                 // the ETag the last listing gave
    bool fetch = false; // the server holds something newer than `card`: fetched and merged next
    bool gone = false;  // reported gone there; applied when the listing is complete
    // Written by us since the stored sync-token: the listing from that token must name it, or
    // it was deleted there (a server may leave out a card both made and deleted since a token).
    bool sent = false;
    qint64 seen = 0; // the full listing that last named it
};

// Every failure carries the kind of the SQLite code that caused it (a full disk, a read-only
// book, a lock held too long), taken where it happened.
class SyncStore {
public:
    // Opens the book for writing, bringing it and the sync's tables up to date.
    SyncResult open(const QString& bookPath);

    // The link; nothing (and done) when the book has none.
    SyncResult link(std::optional<Link>& out);
    // Adds the sync's tables when missing, then the link; fails when one exists.
    SyncResult addLink(const Link& link);
    // Forgets the link and everything the sync kept; the contacts stay.
    SyncResult removeLink();
    // The token, pairing and listing under way, as `link` holds them.
    SyncResult saveListing(const Link& link);
    SyncResult saveResult(const QString& when, const QString& result);
    // Adds `contacts` to the record of contacts with conflict lines, and drops from it those
    // whose note no longer holds one (or that are gone), so Status reads a few rows, not all.
    SyncResult keepConflicts(const std::vector<qint64>& contacts);

    // Every record, without its card (cardLoaded false).
    SyncResult items(std::vector<Item>& out);
    // Every contact by identity, with its texts.
    SyncResult rows(std::unordered_map<qint64, PackedTexts>& out);
    // The window only looks for the identity triggers; rows renumbered by a reload or a VACUUM
    // (which fires no trigger) are found here, by counting every row, and given identities anew.
    SyncResult renewIdentities();
    // How many times the contacts were inserted, changed or deleted, by anyone, ever.
    SyncResult changeCount(qint64& out);
    // How often rows() read the contacts: a sync with nothing changed reads them not at all.
    int rowReadings() const { return rowReadings_; }

    // Each write runs in its own short transaction unless one is open (begin/commit).
    SyncResult begin();
    // `durable`: on the disk before this returns, power cut or not; else only safe from a
    // killed process, which is all the records of observations need.
    SyncResult commit(bool durable = false);
    void rollback();
    // Inserts when item.id is 0. A card written is let go of in memory (cardLoaded false).
    SyncResult saveItem(Item& item);
    // Reads the item's card, unless that was done.
    SyncResult loadCard(Item& item);
    SyncResult deleteItem(qint64 id);
    // Writes `next` only when the contact still holds `expected`; `applied` says whether it did.
    SyncResult updateRow(qint64 contact, const Texts& expected, const Texts& next, bool& applied);
    SyncResult deleteRow(qint64 contact, const Texts& expected, bool& applied);
    // Stores a new contact; `contact` gets its identity.
    SyncResult insertRow(const Texts& texts, qint64& contact);

private:
    // The connection's last error: call it before anything else touches the connection.
    SyncResult failure(const QString& doing) const;
    SyncResult upgrade();
    SyncResult renderAnew();
    // The contact's texts; nothing when it is gone.
    SyncResult readRow(qint64 contact, std::optional<Texts>& out);

    sqlite::Connection db_;
    int rowReadings_ = 0;
    QString path_;
};

} // namespace rolvane::carddav
