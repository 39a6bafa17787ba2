// SPDX-License-Identifier: GPL-3.0-or-later
// Every request carries its precondition, and every answer the server accepted is recorded at
// once in a short transaction of its own, so a sync killed at any moment converges next time.
// A new contact's UID and file name are stored before its PUT and reused on a retry: a 412 then
// means the earlier try landed.
#include "discovery.h"
#include "exchange/card_patch.h"
#include "exchange/card_texts.h"
#include "exchange/comment_lines.h"
#include "sync_apply.h"
#include "sync_run.h"

#include <QElapsedTimer>

namespace rolvane::carddav {

namespace {

bool strongETag(const QByteArray& etag) {
    return !etag.isEmpty() && !etag.startsWith("W/");
}

// The texts the card sent reads back as, when they differ from `sent` (a number written as a
// tel: URI, labelled lines in the mapping's order): the contact takes them too, if it still
// holds what was sent, so a normalised value never shows as a change at the next sync.
SyncResult settle(SyncRun& run, const Item& item, const std::string& card, const Texts& sent,
                  Texts& settled) {
    settled = sent;
    const std::optional<exchange::CardTexts> shown = exchange::readCardTexts(card);
    if (!shown || sameFields(shown->texts, sent) || !run.hasRow(item))
        return {};
    Texts rendered = shown->texts;
    rendered[LastUpdate] = sent[LastUpdate];
    bool applied = false;
    if (SyncResult why = run.store.updateRow(*item.contact, sent, rendered, applied); !why.ok())
        return why;
    if (applied) {
        run.rows[*item.contact] = rendered;
        settled = rendered;
    }
    return {};
}

// Lines of Comments that went out as note text though labelled, told once: when sent anew.
void warnRefusedLines(SyncRun& run, const Item& item, const Texts& texts) {
    if (item.synced && sameField(Texts(*item.synced), texts, Comments))
        return;
    for (const std::string& line : exchange::splitComments(texts[Comments]).refused)
        run.summary.warnings << QStringLiteral("%1: \"%2\" is not a value its label can take, "
                                               "so it went out as part of the note.")
                                    .arg(contactName(texts), QString::fromStdString(line));
}

// Records a write the server accepted: the card sent, its new ETag, the texts sent.
SyncResult recordSent(SyncRun& run, Item& item, std::string card, const HttpResponse& answer,
                      const Texts& texts) {
    warnRefusedLines(run, item, texts);
    Texts settled;
    if (SyncResult why = settle(run, item, card, texts, settled); !why.ok())
        return why;
    item.card = std::move(card);
    item.cardLoaded = true;
    item.etag = answer.etag;
    item.synced = settled;
    item.sent = true;
    // No strong ETag: the card as stored there (another device may have written it since) is
    // fetched and merged, against the texts sent.
    item.fetch = !strongETag(answer.etag);
    ++run.summary.sent;
    return run.store.saveItem(item);
}

// With no strong ETag to make a write conditional, the card is read first: a write goes only
// over the card as last synced, so no change made there is overwritten unseen.
SyncResult preconditionFor(SyncRun& run, Item& item, HttpRequest& request, bool& changed) {
    changed = false;
    if (strongETag(item.etag)) {
        request.headers.append({"If-Match", item.etag});
        return {};
    }
    if (SyncResult why = run.store.loadCard(item); !why.ok())
        return why;
    if (item.card.empty())
        return {}; // ours, never confirmed: nobody else has seen it
    const HttpResponse now = run.client.send({"GET", request.url, {}, {}});
    if (now.status == 404 || now.status == 410)
        return {};
    if (!now.ok())
        return answerFailure(now);
    // Line ends and the final one aside: a card that came in XML has LF and no end.
    changed = normalised(now.body.trimmed().toStdString()) !=
              normalised(QByteArray::fromStdString(item.card).trimmed().toStdString());
    return {};
}

// A card the server will not take (400, 409, 413...) is warned about and left for the next sync;
// the rest of the book still syncs. Refused access and server failures stop the sync.
SyncResult refusedCard(SyncRun& run, const Item& item, const HttpResponse& answer) {
    const int s = answer.status;
    if (s < 400 || s >= 500 || s == 401 || s == 403 || s == 407 || s == 408 || s == 429)
        return answerFailure(answer);
    run.summary.warnings << QStringLiteral("The server refused the contact %1 (%2); it stays "
                                           "here and is tried again at the next sync.")
                                .arg(item.href)
                                .arg(s);
    return {};
}

// Changed there since it was merged: it is fetched and merged before anything more is sent.
SyncResult fetchFirst(SyncRun& run, Item& item, bool& resend) {
    item.fetch = true;
    resend = true;
    return run.store.saveItem(item);
}

SyncResult sendDelete(SyncRun& run, Item& item, bool& resend) {
    HttpRequest request{"DELETE", run.urlOf(item.href), {}, {}};
    bool changed = false;
    if (item.synced) {
        if (SyncResult why = preconditionFor(run, item, request, changed); !why.ok())
            return why;
        if (changed)
            return fetchFirst(run, item, resend); // the fetch brings it back here
    } // else ours, never confirmed, deleted here before it was: nobody else has seen it
    const HttpResponse answer = run.client.send(request);
    if (answer.ok() || answer.status == 404 || answer.status == 410) {
        run.summary.deletedThere += answer.ok() && item.synced ? 1 : 0;
        return run.store.deleteItem(item.id);
    }
    if (answer.status == 412)
        return fetchFirst(run, item, resend); // the fetch brings it back here
    return answerFailure(answer);
}

SyncResult sendEdit(SyncRun& run, Item& item, const Texts& now, bool& resend) {
    if (SyncResult why = run.store.loadCard(item); !why.ok())
        return why;
    std::string card =
        exchange::patchCard(item.card, *item.synced, now, run.options.revision.toStdString());
    HttpRequest request{"PUT",
                        run.urlOf(item.href),
                        QByteArray::fromStdString(card),
                        {{"Content-Type", "text/vcard; charset=utf-8"}}};
    bool changed = false;
    if (SyncResult why = preconditionFor(run, item, request, changed); !why.ok())
        return why;
    if (changed)
        return fetchFirst(run, item, resend);
    const HttpResponse answer = run.client.send(request);
    if (answer.ok())
        return recordSent(run, item, std::move(card), answer, now);
    if (answer.status == 412)
        return fetchFirst(run, item, resend); // changed there too: merged, then sent
    if (answer.status == 404 || answer.status == 410)
        return run.reviveAsNew(item); // deleted there but edited here
    return refusedCard(run, item, answer);
}

// The card recorded for a new contact (written when it was named, or the server's last card of
// one that comes back) with the fields here; a fresh card when none was recorded.
SyncResult cardOfNew(SyncRun& run, Item& item, const Texts& now, std::string& card) {
    if (SyncResult why = run.store.loadCard(item); !why.ok())
        return why;
    const std::string revision = run.options.revision.toStdString();
    const std::optional<exchange::CardTexts> recorded =
        item.card.empty() ? std::nullopt : exchange::readCardTexts(item.card);
    card = recorded ? exchange::patchCard(item.card, recorded->texts, now, revision)
                    : exchange::newCard(now, item.uid.toStdString(), run.link.version4, revision);
    return {};
}

SyncResult sendNew(SyncRun& run, Item& item, const Texts& now, bool& resend) {
    std::string card;
    if (SyncResult why = cardOfNew(run, item, now, card); !why.ok())
        return why;
    const HttpResponse answer =
        run.client.send({"PUT",
                         run.urlOf(item.href),
                         QByteArray::fromStdString(card),
                         {{"Content-Type", "text/vcard; charset=utf-8"}, {"If-None-Match", "*"}}});
    if (answer.ok())
        return recordSent(run, item, std::move(card), answer, now);
    if (answer.status != 412)
        return refusedCard(run, item, answer);
    // An earlier try landed, and another device may have changed it since: the card that try
    // sent (recorded before it) is the base, against which the server's card is merged.
    std::optional<Texts> tried;
    if (SyncResult why = run.textsSent(item, tried); !why.ok())
        return why;
    item.synced = tried.value_or(now);
    item.card.clear();
    item.cardLoaded = true;
    item.etag.clear();
    item.sent = true;
    return fetchFirst(run, item, resend);
}

// Names for every new contact, stored before any of them is sent. In transactions of a few
// dozen milliseconds each: a save in the window waits for the one under way, never for a first
// sync of a large book. A sync stopped between them names the rest next time.
SyncResult nameNewContacts(SyncRun& run) {
    QElapsedTimer held;
    for (const qint64 row : run.unlinkedRows) {
        Item item;
        item.contact = row;
        run.assignNewName(item);
        // What is sent, kept: if the answer is lost, it is the base of the next merge.
        item.card = exchange::newCard(run.rows.at(row), item.uid.toStdString(), run.link.version4,
                                      run.options.revision.toStdString());
        if (!held.isValid()) {
            if (SyncResult why = run.store.begin(); !why.ok())
                return why;
            held.start();
        }
        if (SyncResult why = run.store.saveItem(item); !why.ok()) {
            run.store.rollback();
            return why;
        }
        run.items.push_back(std::move(item));
        if (held.elapsed() >= kShortTransactionMs) {
            if (SyncResult why = run.store.commit(true); !why.ok())
                return why;
            held.invalidate();
            letWaitingSavesIn();
        }
    }
    return held.isValid() ? run.store.commit(true) : SyncResult();
}

// Local deletes, edits and new contacts, as loadLocal found them. A card that changed there
// since it was merged (to fetch, or gone) waits for the fetch.
SyncResult pushLoaded(SyncRun& run, bool& resend) {
    std::vector<std::size_t> deletes, edits, news;
    for (std::size_t i = 0; i < run.items.size(); ++i) {
        const Item& item = run.items[i];
        if (!item.contact && !item.fetch && !item.gone)
            deletes.push_back(i);
        else if (run.hasRow(item) && item.synced && !item.fetch && !item.gone &&
                 !sameFields(run.rows.at(*item.contact), *item.synced))
            edits.push_back(i);
    }
    const std::size_t linked = run.items.size();
    if (!run.options.allowMassDelete && deletes.size() >= 10 && deletes.size() * 2 > linked)
        return {SyncKind::MassDelete,
                QStringLiteral("%1 of the %2 linked contacts were deleted in this book; nothing "
                               "was deleted or sent. If that is right, run the sync with "
                               "--allow-mass-delete.")
                    .arg(deletes.size())
                    .arg(linked)};
    if (SyncResult why = nameNewContacts(run); !why.ok())
        return why;
    for (std::size_t i = 0; i < run.items.size(); ++i) {
        const Item& item = run.items[i];
        if (run.hasRow(item) && !item.synced && !item.fetch)
            news.push_back(i);
    }
    int total = int(deletes.size() + edits.size() + news.size());
    int done = 0;
    for (std::size_t i : deletes) {
        if (SyncResult why = sendDelete(run, run.items[i], resend); !why.ok())
            return why;
        run.report(SyncPhase::Sending, ++done, total);
    }
    for (std::size_t i : edits) {
        Item& item = run.items[i];
        if (SyncResult why = sendEdit(run, item, run.rows.at(*item.contact), resend); !why.ok())
            return why;
        if (!item.synced) { // deleted there: it goes back as a new card, in this round too
            news.push_back(i);
            ++total;
        }
        run.report(SyncPhase::Sending, ++done, total);
    }
    for (std::size_t i : news) {
        Item& item = run.items[i];
        if (SyncResult why = sendNew(run, item, run.rows.at(*item.contact), resend); !why.ok())
            return why;
        run.report(SyncPhase::Sending, ++done, total);
    }
    return {};
}

} // namespace

SyncResult pushChanges(SyncRun& run, bool& resend) {
    if (run.quiet)
        return {}; // nothing changed here since everything was synced
    if (SyncResult why = run.loadLocal(); !why.ok())
        return why;
    const int requestsBefore = run.client.requestCount();
    SyncResult why = pushLoaded(run, resend);
    run.localCurrent = why.ok() && run.client.requestCount() == requestsBefore;
    return why;
}

} // namespace rolvane::carddav
