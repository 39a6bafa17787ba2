// SPDX-License-Identifier: GPL-3.0-or-later
// What the server lists of an address book: each member's href and ETag, or that it is gone.
#pragma once

#include "http_client.h"

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
};

enum class ListingResult { Ok, TokenRejected, CollectionGone, Failed };

// REPORT sync-collection from `token` (empty: every member). A server that has no
// sync-collection, or fails on an empty token, is listed with PROPFIND Depth 1 instead.
ListingResult listMembers(HttpClient& client, const QUrl& collection, const QString& token,
                          Listing& listing, QString& why);

} // namespace rolvane::carddav
