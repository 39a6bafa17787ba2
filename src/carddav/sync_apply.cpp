// SPDX-License-Identifier: GPL-3.0-or-later
// A card is marked fetched only once its merge is in the book: a merge refused because the
// contact changed meanwhile leaves it to fetch, and asks for another round.
#include "sync_apply.h"

#include "exchange/card_texts.h"
#include "field_merge.h"

namespace rolvane::carddav {

Applier::Applier(SyncRun& run) : run_(run) {
    if (!run.link.paired)
        for (qint64 contact : run.unlinkedRows)
            unpaired_[pairingKey(run.rows[contact])].push_back(contact);
}

SyncResult Applier::apply(Item& item, const Fetched& f, bool& resend) {
    SyncSummary& s = run_.summary;
    const std::optional<exchange::CardTexts> server = exchange::readCardTexts(f.card);
    if (!server) {
        s.warnings << QStringLiteral("The card %1 could not be read; it was skipped.").arg(f.key);
        return {};
    }
    const QString uid = QString::fromStdString(exchange::cardUid(f.card));
    if (uid.isEmpty())
        s.warnings << QStringLiteral("The card %1 has no UID; it was kept.").arg(f.key);
    else if (uids_.contains(uid))
        s.warnings
            << QStringLiteral("The card %1 has the same UID as another; it was kept.").arg(f.key);
    uids_.insert(uid);
    if (item.uid.isEmpty())
        item.uid = uid;

    auto same = unpaired_.find(pairingKey(server->texts));
    if (!item.contact && !item.synced && same != unpaired_.end() && !same->second.empty()) {
        item.contact = same->second.back(); // the first sync pairs equal contacts
        same->second.pop_back();
        ++s.paired;
    } else if (run_.hasRow(item)) {
        const Texts local = run_.rows[*item.contact];
        Texts base = item.synced.value_or(server->texts);
        if (!item.synced) {
            // Ours, its answer lost: the card sent (recorded before it went) is the base.
            std::optional<Texts> sent;
            if (SyncResult why = run_.textsSent(item, sent); !why.ok())
                return why;
            base = sent.value_or(base);
        }
        const Merged m = mergeTexts(base, local, server->texts);
        bool applied = true;
        if (!sameFields(m.texts, local))
            if (SyncResult why = run_.store.updateRow(*item.contact, local, m.texts, applied);
                !why.ok())
                return why;
        if (!applied) {
            resend = true; // edited meanwhile: fetched and merged again
            return {};
        }
        s.changedHere += sameFields(m.texts, local) ? 0 : 1;
        s.conflicts += m.conflicts;
        if (m.conflicts > 0 && !s.conflicted.contains(contactName(m.texts)))
            s.conflicted << contactName(m.texts);
        if (m.conflicts > 0)
            s.conflictedContacts.push_back(*item.contact);
        resend = resend || m.sendBack;
        run_.rows[*item.contact] = m.texts;
    } else {
        // New there, or changed there after it was deleted here: the server's card comes back.
        qint64 contact = 0;
        if (SyncResult why = run_.store.insertRow(server->texts, contact); !why.ok())
            return why;
        item.contact = contact;
        run_.rows[contact] = server->texts;
        ++s.newHere;
    }
    item.etag = f.etag;
    item.card = f.card;
    item.cardLoaded = true;
    item.fetch = false;
    // Shared with the contact's when they are the same texts, as after a card new here.
    const PackedTexts synced(server->texts);
    const PackedTexts& row = run_.rows[*item.contact];
    item.synced = row.packed() == synced.packed() ? row : synced;
    return run_.store.saveItem(item);
}

SyncResult Applier::applyGone(Item& item, std::vector<qint64>& forgotten) {
    if (!item.synced && run_.hasRow(item)) {
        item.gone = false; // ours, not confirmed yet: it is sent
        return run_.store.saveItem(item);
    }
    if (!item.synced || !run_.hasRow(item)) {
        forgotten.push_back(item.id); // gone on both sides, or never fetched
        return run_.store.deleteItem(item.id);
    }
    const PackedTexts& local = run_.rows[*item.contact];
    if (!sameFields(local, *item.synced)) {
        return run_.reviveAsNew(item); // edited here but deleted there
    }
    bool applied = false;
    if (SyncResult why = run_.store.deleteRow(*item.contact, local, applied); !why.ok())
        return why;
    if (!applied)
        return {}; // edited meanwhile: the next sync sends it back as a new card
    run_.rows.erase(*item.contact);
    ++run_.summary.deletedHere;
    forgotten.push_back(item.id);
    return run_.store.deleteItem(item.id);
}

} // namespace rolvane::carddav
