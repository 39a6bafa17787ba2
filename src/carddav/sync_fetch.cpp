// SPDX-License-Identifier: GPL-3.0-or-later
// A listing's page is recorded with its token in one transaction before any card is fetched;
// the cards still to fetch come by addressbook-multiget, at most 100 a request (fewer when an
// answer would pass the size cap), each batch merged in one short transaction after its
// request, so the network is never used while the book is locked for writing. A card that could
// not be merged (edited here meanwhile, unreadable, too large) stays marked to fetch.
#include "discovery.h"
#include "exchange/card_texts.h"
#include "listing.h"
#include "multistatus.h"
#include "sync_apply.h"
#include "sync_run.h"

#include <algorithm>

namespace rolvane::carddav {

namespace {

constexpr int kBatch = 100;
constexpr int kMaxPages = 1000;
constexpr std::size_t kMaxCardBytes = std::size_t(16) << 20;

QByteArray multigetBody(const SyncRun& run, const QStringList& keys) {
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:addressbook-multiget "
                      "xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop>"
                      "<d:getetag/><c:address-data/></d:prop>";
    for (const QString& key : keys)
        body += "<d:href>" + run.urlOf(key).path(QUrl::FullyEncoded).toHtmlEscaped().toUtf8() +
                "</d:href>";
    return body + "</c:addressbook-multiget>";
}

// Fetches `keys`, halving a batch whose answer was too large; cards too large are warned about.
SyncResult multiget(SyncRun& run, const QStringList& keys, std::vector<Fetched>& out) {
    const HttpResponse answer =
        run.client.send({"REPORT", run.collection, multigetBody(run, keys), {{"Depth", "1"}}});
    if (answer.failure == HttpFailure::TooLarge && keys.size() > 1) {
        const qsizetype half = keys.size() / 2;
        if (SyncResult why = multiget(run, keys.mid(0, half), out); !why.ok())
            return why;
        return multiget(run, keys.mid(half), out);
    }
    if (answer.failure == HttpFailure::TooLarge) {
        run.summary.warnings
            << QStringLiteral("The card %1 is too large; it was skipped.").arg(keys.front());
        return {};
    }
    if (answer.status != 207)
        return answerFailure(answer);
    QString error;
    const std::optional<Multistatus> ms = parseMultistatus(answer.body, &error);
    if (!ms)
        return {SyncKind::BadAnswer,
                QStringLiteral("the server's cards could not be read (%1)").arg(error)};
    for (const DavResponse& r : ms->responses) {
        const DavProperty* data = r.property(u"address-data");
        QString key = run.keyOf(r.href);
        if (!data || key.isEmpty())
            continue;
        // The key as asked for: one copy of it serves the listing and the record.
        if (const auto asked = std::find(keys.begin(), keys.end(), key); asked != keys.end())
            key = *asked;
        const QByteArray card = data->text.toUtf8();
        if (std::size_t(card.size()) > kMaxCardBytes) {
            run.summary.warnings << QStringLiteral("The card %1 is larger than 16 MB; it was "
                                                   "skipped.")
                                        .arg(key);
            continue;
        }
        const DavProperty* etag = r.property(u"getetag");
        out.push_back({key, etag ? etag->text.toUtf8() : QByteArray(), card.toStdString()});
    }
    return {};
}

// Every card the server holds something newer of, fetched and merged.
SyncResult fetchPending(SyncRun& run, Applier& applier, bool& resend) {
    QStringList pending;
    for (const Item& item : run.items)
        if (item.fetch && !item.gone)
            pending << item.href;
    for (qsizetype at = 0; at < pending.size(); at += kBatch) {
        std::vector<Fetched> cards;
        if (SyncResult why = multiget(run, pending.mid(at, kBatch), cards); !why.ok())
            return why;
        const auto applyCards = [&] {
            for (const Fetched& f : cards) {
                const auto known = run.byHref.constFind(f.key);
                if (known == run.byHref.constEnd())
                    continue;
                if (SyncResult why = applier.apply(run.items[*known], f, resend); !why.ok())
                    return why;
            }
            return SyncResult();
        };
        if (SyncResult why = inTransaction(run, applyCards); !why.ok())
            return why;
        run.report(SyncPhase::Fetching, int(std::min(at + kBatch, pending.size())),
                   int(pending.size()));
    }
    return {};
}

bool massDelete(const SyncRun& run, std::size_t& here) {
    here = 0;
    for (const Item& item : run.items)
        here += item.gone && run.hasRow(item) && item.synced ? 1 : 0;
    return !run.options.allowMassDelete && here >= 10 && here * 2 > run.items.size();
}

// What the complete listing found gone there, deleted here: every pending delete, whichever
// run's pages reported it, counted at once against the guard.
SyncResult applyGoneAll(SyncRun& run, Applier& applier) {
    std::size_t here = 0;
    if (massDelete(run, here))
        return {SyncKind::MassDelete,
                QStringLiteral("The server would delete %1 of the %2 linked contacts; nothing was "
                               "deleted here. If that is right, run the sync with "
                               "--allow-mass-delete.")
                    .arg(here)
                    .arg(run.items.size())};
    std::vector<qint64> forgotten;
    // What a stopped sync did not apply stays marked gone for the next.
    SyncResult failed = inShortTransactions(
        run, run.items.size(),
        [&](std::size_t i) {
            return run.items[i].gone ? applier.applyGone(run.items[i], forgotten) : SyncResult();
        },
        [] { return SyncResult(); });
    if (!failed.ok())
        return failed;
    if (!forgotten.empty())
        run.dropItems(forgotten);
    return {};
}

} // namespace

SyncResult fetchChanges(SyncRun& run, bool& resend) {
    resend = false;
    if (!run.localCurrent && !run.quiet)
        if (SyncResult why = run.loadLocal(); !why.ok())
            return why;
    run.localCurrent = false;
    Applier applier(run);
    bool retried = false;
    int listed = 0;
    for (int page = 0; page < kMaxPages; ++page) {
        Listing listing;
        SyncResult why = listMembers(run.client, run.collection, run.link.token, listing);
        if (why.kind() == SyncKind::CollectionGone)
            return {SyncKind::CollectionGone,
                    QStringLiteral("The address book is gone from the server; nothing was deleted "
                                   "or sent. \"rolvane-db sync remove\" forgets the link.")};
        if (!why.ok())
            return why;
        if (listing.tokenRejected) {
            if (retried)
                return {SyncKind::BadAnswer,
                        QStringLiteral("the server refused to list the address book")};
            retried = true;
            // Everything listed anew and compared; nothing is deleted until the listing is whole.
            run.link.token.clear();
            run.link.listing = 0;
            --page;
            continue;
        }
        const bool cutShort = listing.truncated && !listing.token.isEmpty();
        // The server names a card: the contacts are read after all.
        if (run.quiet && (!listing.members.empty() || run.link.token.isEmpty()))
            if (why = run.loadLocal(); !why.ok())
                return why;
        if (why = recordPage(run, listing, !cutShort); !why.ok())
            return why;
        listed += int(listing.members.size());
        run.report(SyncPhase::Listing, listed, 0);
        if (why = fetchPending(run, applier, resend); !why.ok())
            return why;
        if (!cutShort)
            break;
    }
    if (SyncResult why = applyGoneAll(run, applier); !why.ok())
        return why;
    // Every card the first listing named is fetched and paired: from now on a contact with no
    // card is new here. Stopped before, the next sync pairs again.
    if (!run.link.paired) {
        run.link.paired = true;
        if (SyncResult why = run.store.saveListing(run.link); !why.ok())
            return why;
    }
    for (const Item& item : run.items)
        resend = resend || (run.hasRow(item) && !item.synced);
    return {};
}

} // namespace rolvane::carddav
