// SPDX-License-Identifier: GPL-3.0-or-later
// What the server lists of an address book: each member's href and ETag, or that it is gone.
#pragma once

#include "http_client.h"
#include "sync_result.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace rolvane::carddav {

struct Listed {
    QString href; // as the server wrote it
    QByteArray etag;
    bool gone = false;
};

struct Listing {
    std::vector<Listed> members;
    QString token;          // the new sync-token; empty after a PROPFIND listing
    bool full = false;      // lists every member: one not listed is gone
    bool truncated = false; // more to come from `token` (507)
    // The server would not list from `token` (done all the same): everything is listed anew.
    bool tokenRejected = false;
};

// REPORT sync-collection from `token` (empty: every member). A server that has no
// sync-collection, or fails on an empty token, is listed with PROPFIND Depth 1 instead. An
// address book gone there fails with kind CollectionGone.
SyncResult listMembers(HttpClient& client, const QUrl& collection, const QString& token,
                       Listing& listing);

} // namespace rolvane::carddav
