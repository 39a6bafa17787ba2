// SPDX-License-Identifier: GPL-3.0-or-later
// Changed cards come by addressbook-multiget, at most 100 a request (fewer when an answer would
// pass the size cap), and each batch is applied in one short transaction after its request, so
// the network is never used while the book is locked for writing. A contact edited here since
// it was read keeps its old ETag and is merged at the next sync.
#include "card_texts.h"
#include "discovery.h"
#include "field_merge.h"
#include "listing.h"
#include "multistatus.h"
#include "sync_run.h"

#include <QSet>
#include <algorithm>

namespace rolvane::carddav {

namespace {

constexpr int kBatch = 100;
constexpr int kMaxPages = 1000;
constexpr std::size_t kMaxCardBytes = std::size_t(16) << 20;

struct Fetched {
    QString key;
    QByteArray etag;
    std::string card;
};

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
QString multiget(SyncRun& run, const QStringList& keys, std::vector<Fetched>& out) {
    const HttpResponse answer =
        run.client.send({"REPORT", run.collection, multigetBody(run, keys), {{"Depth", "1"}}});
    if (answer.failure == HttpFailure::TooLarge && keys.size() > 1) {
        const qsizetype half = keys.size() / 2;
        if (QString why = multiget(run, keys.mid(0, half), out); !why.isEmpty())
            return why;
        return multiget(run, keys.mid(half), out);
    }
    if (answer.failure == HttpFailure::TooLarge) {
        run.summary.warnings
            << QStringLiteral("The card %1 is too large; it was skipped.").arg(keys.front());
        return {};
    }
    if (answer.status != 207)
        return answerProblem(answer);
    QString error;
    const std::optional<Multistatus> ms = parseMultistatus(answer.body, &error);
    if (!ms)
        return QStringLiteral("the server's cards could not be read (%1)").arg(error);
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

class Applier {
public:
    Applier(SyncRun& run) : run_(run) {
        if (!run.link.paired)
            for (qint64 row : run.unlinkedRows)
                unpaired_[pairingKey(run.rows[row])].push_back(row);
    }
    QString apply(const Fetched& f, bool& resend);
    QString applyGone(std::size_t index);

private:
    QString adopt(Item& item, const Fetched& f, const CardTexts& server, bool& resend);

    SyncRun& run_;
    std::unordered_map<std::string, std::vector<qint64>> unpaired_;
    QSet<QString> uids_;
};

QString Applier::adopt(Item& item, const Fetched& f, const CardTexts& server, bool& resend) {
    SyncSummary& s = run_.summary;
    if (item.row && run_.rows.count(*item.row)) {
        const Texts& local = run_.rows[*item.row];
        const Texts base = item.synced.value_or(server.texts);
        const Merged m = mergeTexts(base, local, server.texts);
        bool applied = true;
        if (!sameFields(m.texts, local))
            if (QString why = run_.store.updateRow(*item.row, local, m.texts, applied);
                !why.isEmpty())
                return why;
        if (!applied)
            return {}; // edited meanwhile: the old ETag stays, so the next sync merges it
        s.changedHere += sameFields(m.texts, local) ? 0 : 1;
        s.conflicts += m.conflicts;
        resend = resend || m.sendBack;
        run_.rows[*item.row] = m.texts;
    } else {
        qint64 row = 0;
        if (QString why = run_.store.insertRow(server.texts, row); !why.isEmpty())
            return why;
        item.row = row;
        run_.rows[row] = server.texts;
        ++s.newHere;
    }
    item.etag = f.etag;
    item.card = f.card;
    item.cardLoaded = true;
    // Shared with the row's when they are the same texts, as after a card new here.
    const PackedTexts synced(server.texts);
    const PackedTexts& row = run_.rows[*item.row];
    item.synced = row.packed() == synced.packed() ? row : synced;
    return run_.store.saveItem(item);
}

QString Applier::apply(const Fetched& f, bool& resend) {
    const std::optional<CardTexts> server = readCardTexts(f.card);
    if (!server) {
        run_.summary.warnings
            << QStringLiteral("The card %1 could not be read; it was skipped.").arg(f.key);
        return {};
    }
    const QString uid = QString::fromStdString(cardUid(f.card));
    if (uid.isEmpty())
        run_.summary.warnings << QStringLiteral("The card %1 has no UID; it was kept.").arg(f.key);
    else if (uids_.contains(uid))
        run_.summary.warnings
            << QStringLiteral("The card %1 has the same UID as another; it was kept.").arg(f.key);
    uids_.insert(uid);
    const auto known = run_.byHref.constFind(f.key);
    if (known != run_.byHref.constEnd())
        return adopt(run_.items[*known], f, *server, resend);
    Item item;
    item.href = f.key;
    item.uid = uid;
    // The first sync pairs a card with a contact holding the same ten texts.
    auto same = unpaired_.find(pairingKey(server->texts));
    if (same != unpaired_.end() && !same->second.empty()) {
        item.row = same->second.back();
        same->second.pop_back();
        item.synced = server->texts;
        item.etag = f.etag;
        item.card = f.card;
        item.cardLoaded = true;
        ++run_.summary.paired;
        if (QString why = run_.store.saveItem(item); !why.isEmpty())
            return why;
    } else if (QString why = adopt(item, f, *server, resend); !why.isEmpty()) {
        return why;
    }
    run_.byHref.insert(item.href, run_.items.size());
    run_.items.push_back(std::move(item));
    return {};
}

QString Applier::applyGone(std::size_t index) {
    Item& item = run_.items[index];
    if (!item.synced)
        return {}; // ours, not sent yet
    if (!item.row || !run_.rows.count(*item.row))
        return run_.store.deleteItem(item.id);
    const PackedTexts& local = run_.rows[*item.row];
    if (!sameFields(local, *item.synced)) {
        // Edited here but deleted there: it goes back as a new contact.
        run_.assignNewName(item);
        return run_.store.saveItem(item);
    }
    bool applied = false;
    if (QString why = run_.store.deleteRow(*item.row, local, applied); !why.isEmpty())
        return why;
    if (!applied)
        return {};
    run_.rows.erase(*item.row);
    ++run_.summary.deletedHere;
    return run_.store.deleteItem(item.id);
}

// Runs `step` in one transaction.
template <typename Step> QString inTransaction(SyncRun& run, Step step) {
    if (QString why = run.store.begin(); !why.isEmpty())
        return why;
    if (QString why = step(); !why.isEmpty()) {
        run.store.rollback();
        return why;
    }
    return run.store.commit();
}

} // namespace

namespace {

// Which listed members changed, and which records are gone there. `listed` gathers the members
// of every page of one listing; `full` says the listing began with no token.
void sortOut(const SyncRun& run, const Listing& listing, bool full, QSet<QString>& listed,
             QStringList& changed, std::vector<std::size_t>& gone, QStringList& refused) {
    for (const Listed& m : listing.members) {
        const QString key = run.keyOf(m.href);
        if (key.isEmpty()) {
            refused << m.href;
            continue;
        }
        listed.insert(key);
        const auto known = run.byHref.constFind(key);
        if (m.gone) {
            if (known != run.byHref.constEnd())
                gone.push_back(*known);
        } else if (known == run.byHref.constEnd() || m.etag.isEmpty() ||
                   run.items[*known].etag != m.etag) {
            changed << key;
        }
    }
    if (listing.truncated)
        return;
    for (std::size_t i = 0; i < run.items.size(); ++i) {
        const Item& item = run.items[i];
        if (item.synced && (full || item.unlisted) && !listed.contains(item.href))
            gone.push_back(i);
    }
}

bool massDelete(const SyncRun& run, const std::vector<std::size_t>& gone) {
    std::size_t here = 0;
    for (std::size_t i : gone)
        here += run.items[i].row && run.items[i].synced ? 1 : 0;
    return !run.options.allowMassDelete && here >= 10 && here * 2 > run.items.size();
}

// Applies one page of a listing: changed cards fetched and merged, cards gone there deleted.
QString applyPage(SyncRun& run, Applier& applier, Listing& listing, bool full,
                  QSet<QString>& listed, bool& resend) {
    QStringList changed, refused;
    std::vector<std::size_t> gone;
    sortOut(run, listing, full, listed, changed, gone, refused);
    listing.members = {}; // sorted out: a large listing would otherwise stay while cards come
    for (const QString& href : refused)
        run.summary.warnings
            << QStringLiteral("The server listed %1, outside the address book; it was ignored.")
                   .arg(href);
    if (massDelete(run, gone)) {
        run.summary.stoppedForMassDelete = true;
        return QStringLiteral("The server would delete %1 of the %2 linked contacts; nothing was "
                              "deleted or sent. If that is right, run the sync with "
                              "--allow-mass-delete.")
            .arg(gone.size())
            .arg(run.items.size());
    }
    run.items.reserve(run.items.size() + std::size_t(changed.size())); // grown once, not doubled
    for (qsizetype at = 0; at < changed.size(); at += kBatch) {
        std::vector<Fetched> cards;
        if (QString why = multiget(run, changed.mid(at, kBatch), cards); !why.isEmpty())
            return why;
        const auto applyCards = [&] {
            for (const Fetched& f : cards)
                if (QString why = applier.apply(f, resend); !why.isEmpty())
                    return why;
            return QString();
        };
        if (QString why = inTransaction(run, applyCards); !why.isEmpty())
            return why;
    }
    return inTransaction(run, [&] {
        for (std::size_t i : gone)
            if (QString why = applier.applyGone(i); !why.isEmpty())
                return why;
        return QString();
    });
}

} // namespace

QString fetchChanges(SyncRun& run, bool& resend) {
    resend = false;
    if (!run.localCurrent)
        if (QString why = run.loadLocal(); !why.isEmpty())
            return why;
    run.localCurrent = false;
    Applier applier(run);
    QString token = run.link.token;
    bool retried = false;
    bool full = token.isEmpty();
    QSet<QString> listed;
    for (int page = 0; page < kMaxPages; ++page) {
        Listing listing;
        QString why;
        switch (listMembers(run.client, run.collection, token, listing, why)) {
        case ListingResult::Ok:
            break;
        case ListingResult::TokenRejected:
            if (retried)
                return QStringLiteral("the server refused to list the address book");
            retried = true;
            full = true;
            token.clear(); // list everything and compare; nothing is deleted until compared
            --page;
            continue;
        case ListingResult::CollectionGone:
            run.summary.stoppedForMassDelete = true;
            return QStringLiteral("The address book is gone from the server; nothing was deleted "
                                  "or sent. \"rolvane-db sync remove\" forgets the link.");
        case ListingResult::Failed:
            return why;
        }
        full = full || listing.full;
        if (why = applyPage(run, applier, listing, full, listed, resend); !why.isEmpty())
            return why;
        token = listing.token;
        if (why = run.store.saveToken(token, true, !listing.truncated); !why.isEmpty())
            return why;
        run.link.token = token;
        run.link.paired = true;
        if (!listing.truncated || token.isEmpty())
            break;
    }
    for (const Item& item : run.items)
        resend = resend || (item.row && !item.synced);
    return {};
}

} // namespace rolvane::carddav
