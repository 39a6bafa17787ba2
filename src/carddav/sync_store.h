// SPDX-License-Identifier: GPL-3.0-or-later
// What the sync keeps in the book, beside the contact table: the link (one per book) and, per
// contact, its href, UID, ETag, the server's last card and the texts as last synced. Triggers on
// the contact table detach a contact's record when its row is deleted or a row is inserted under
// its rowid, so no writer of the book can hide an insert or a delete from the sync.
#pragma once

#include "data/sqlite_db.h"
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
    bool paired = false; // the first sync (pairing equal contacts) is done
    bool version4 = false;
    QString lastSync, lastResult;
};

struct Item {
    qint64 id = 0;
    std::optional<qint64> row; // empty: the contact was deleted here
    QString href;              // path on the server
    QString uid;
    QByteArray etag;  // as received; empty when unknown
    std::string card; // read only when needed: see cardLoaded
    // False while `card` was not read from the book; saveItem then leaves the stored card as it
    // is. Holding every card at once would cost a sync of many contacts their size in memory.
    bool cardLoaded = true;
    std::optional<PackedTexts> synced; // empty: a new contact whose upload is not confirmed yet
    // Sent since the stored sync-token: the next listing from that token must name it, or it
    // was deleted there (a server may leave out a card both made and deleted since a token).
    bool unlisted = false;
};

class SyncStore {
public:
    // Opens the book for writing; empty on success, else why not.
    QString open(const QString& bookPath);

    // The link, or nothing (with `why` set when the book could not be read).
    std::optional<Link> link(QString* why = nullptr);
    // Adds the sync's tables and triggers when missing, then the link; fails when one exists.
    QString addLink(const Link& link);
    // Forgets the link and everything the sync kept; the contacts stay.
    QString removeLink();
    // With `listedAll`, also clears every record's `unlisted`: the whole listing that gave
    // `token` has been applied.
    QString saveToken(const QString& token, bool paired, bool listedAll);
    QString saveResult(const QString& when, const QString& result);

    // Every record, without its card (cardLoaded false).
    std::vector<Item> items(QString* why);
    // Every contact row with its texts.
    std::unordered_map<qint64, PackedTexts> rows(QString* why);

    // Each write runs in its own short transaction unless one is open (begin/commit).
    QString begin();
    QString commit();
    void rollback();
    // Inserts when item.id is 0. A card written is let go of in memory (cardLoaded false).
    QString saveItem(Item& item);
    // Reads the item's card, unless that was done.
    QString loadCard(Item& item);
    QString deleteItem(qint64 id);
    // Writes `next` only when the row still holds `expected`; `applied` says whether it did.
    QString updateRow(qint64 row, const Texts& expected, const Texts& next, bool& applied);
    QString deleteRow(qint64 row, const Texts& expected, bool& applied);
    QString insertRow(const Texts& texts, qint64& row);

private:
    QString failure(const QString& doing) const;
    std::optional<Texts> readRow(qint64 row, QString& why);

    sqlite::Connection db_;
    QString path_;
};

} // namespace rolvane::carddav
