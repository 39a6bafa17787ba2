// SPDX-License-Identifier: GPL-3.0-or-later
// The state one sync works on: the link, the book's contacts and the sync's records as last
// read, the counts so far. Shared by the steps of a sync; not for use outside it.
#pragma once

#include "http_client.h"
#include "sync_engine.h"
#include "sync_store.h"

#include <QHash>
#include <QUrl>
#include <unordered_map>
#include <vector>

namespace rolvane::carddav {

struct SyncRun {
    SyncStore& store;
    HttpClient& client;
    Link link;
    SyncOptions options;
    QUrl collection;
    SyncSummary summary;

    std::vector<Item> items;
    std::unordered_map<qint64, PackedTexts> rows; // by identity
    QHash<QString, std::size_t> byHref;           // index into items
    std::vector<qint64> unlinkedRows;             // contacts with no record: new here
    // What loadLocal read is still what the sync last wrote: a push that sent nothing leaves it
    // so, and the fetch after it need not read every contact again.
    bool localCurrent = false;
    // Nothing here changed since a sync left everything synced (the change count is the link's
    // clean one): the contacts are read only if the server names a card.
    bool quiet = false;
    // The change count as of the contacts the sync last read, carried over its own writes;
    // -1 once something else wrote the book meanwhile.
    qint64 knownCount = -1;

    // Reads the book again. A record whose contact is gone is deleted here, unless the book's
    // identities were lost (rowids renumbered): then it is paired anew with a contact holding
    // exactly its synced texts.
    SyncResult loadLocal();
    // After a sync that left every contact synced and nothing to fetch, with no other writer
    // meanwhile: notes the change count, so the next sync need not read the contacts.
    SyncResult noteIfClean();
    // Whether `item`'s contact is in the book as last read.
    bool hasRow(const Item& item) const { return item.contact && rows.count(*item.contact); }
    // An href as kept: the path of `href` resolved against the collection; empty when it lies
    // outside the collection.
    QString keyOf(const QString& href) const;
    QUrl urlOf(const QString& key) const;
    // A fresh UID and file name for a contact the server has not seen.
    void assignNewName(Item& item) const;
    // A contact edited here but deleted there goes back as a new card under a new name, made
    // from the server's last card (its photo and every other property kept) and not from the
    // texts alone.
    SyncResult reviveAsNew(Item& item);
    // Forgets the records with these ids (deleted from the book already).
    void dropItems(const std::vector<qint64>& ids);
    void indexByHref();
    // The texts of the card recorded before a new contact's first PUT, if one was.
    SyncResult textsSent(Item& item, std::optional<Texts>& out);
    // Tells the caller's progress callback, if any.
    void report(SyncPhase phase, int done, int total) const;
};

struct Listing;

// Records one page of a listing with its token, in one transaction: what it says of each card
// it names (its ETag, so a card changed there is fetched however often the fetch is stopped, or
// gone), new cards there as records to fetch. `last`: the listing is complete, so a card a full
// listing never named, or one sent since the stored token that it left out, is gone there.
SyncResult recordPage(SyncRun& run, const Listing& listing, bool last);

// Ten fields, line ends aside: what first-sync pairing and rowid repair compare.
std::string pairingKey(const Texts& texts);

// Local deletes, edits, then new contacts; done when it went through, else why it stopped.
// `resend` is set when a card must be fetched and merged before it can go.
SyncResult pushChanges(SyncRun& run, bool& resend);

// What changed on the server since the stored token: each page of the listing recorded with its
// token, then the cards still to fetch merged here, then, once the listing is complete, what is
// gone there deleted here. `resend` is set when the merge left something to send back.
SyncResult fetchChanges(SyncRun& run, bool& resend);

} // namespace rolvane::carddav
