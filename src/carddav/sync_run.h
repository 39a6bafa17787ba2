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
    std::unordered_map<qint64, PackedTexts> rows;
    QHash<QString, std::size_t> byHref; // index into items
    std::vector<qint64> unlinkedRows;   // contacts with no record: new here
    // What loadLocal read is still what the sync last wrote: a push that sent nothing leaves it
    // so, and the fetch after it need not read every contact again.
    bool localCurrent = false;

    // Reads the book again, pairing records anew with rows whose rowids changed. Empty on
    // success, else why not.
    QString loadLocal();
    // An href as kept: the path of `href` resolved against the collection; empty when it lies
    // outside the collection.
    QString keyOf(const QString& href) const;
    QUrl urlOf(const QString& key) const;
    // A fresh UID and file name for a contact the server has not seen.
    void assignNewName(Item& item) const;
};

// Ten fields, line ends aside: what first-sync pairing and rowid repair compare.
std::string pairingKey(const Texts& texts);

// Local deletes, edits, then new contacts. Empty when it went through, else why it stopped.
QString pushChanges(SyncRun& run);

// What changed on the server since the stored token, applied here. `resend` is set when the
// merge left something to send back.
QString fetchChanges(SyncRun& run, bool& resend);

} // namespace rolvane::carddav
