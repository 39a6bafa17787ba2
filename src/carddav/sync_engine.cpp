// SPDX-License-Identifier: GPL-3.0-or-later
// The order of a sync: on a link's first sync the server is read first so that equal contacts
// are paired rather than sent twice; after that, local changes go first, then the server's.
// A merge that leaves something to send starts one more round, a bounded number of times.
#include "sync_engine.h"

#include "exchange/card_patch.h"
#include "exchange/card_texts.h"
#include "server_url.h"
#include "sync_run.h"

#include <QDateTime>
#include <QUuid>
#include <algorithm>

namespace rolvane::carddav {

namespace {

constexpr int kMaxRounds = 3;

QString counted(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

} // namespace

std::string pairingKey(const Texts& texts) {
    Texts t;
    for (std::size_t i = 0; i < kMergedFields; ++i)
        t[i] = normalised(texts[i]);
    return encodeTexts(t);
}

QString SyncRun::keyOf(const QString& href) const {
    const std::optional<QUrl> url = resolveHref(collection, href);
    if (!url)
        return {};
    const QString path = url->path(QUrl::FullyEncoded);
    return path.startsWith(collection.path(QUrl::FullyEncoded)) ? path : QString();
}

QUrl SyncRun::urlOf(const QString& key) const {
    return collection.resolved(QUrl::fromEncoded(key.toUtf8()));
}

void SyncRun::assignNewName(Item& item) const {
    item.uid =
        options.newUid ? options.newUid() : QUuid::createUuid().toString(QUuid::WithoutBraces);
    item.href = collection.path(QUrl::FullyEncoded) + item.uid + QStringLiteral(".vcf");
    item.etag.clear();
    item.card.clear();
    item.cardLoaded = true;
    item.synced.reset();
    item.listed.clear();
    item.fetch = item.gone = item.sent = false;
}

SyncResult SyncRun::reviveAsNew(Item& item) {
    if (SyncResult why = store.loadCard(item); !why.ok())
        return why;
    std::string last = std::move(item.card);
    assignNewName(item);
    if (!last.empty())
        item.card = exchange::cardUnderUid(last, item.uid.toStdString());
    return store.saveItem(item);
}

SyncResult SyncRun::loadLocal() {
    if (SyncResult why = store.renewIdentities(); !why.ok())
        return why;
    // Counted first: a change made while the contacts are read then only makes the count old.
    if (SyncResult why = store.changeCount(knownCount); !why.ok())
        return why;
    quiet = false;
    link.clean = -1;
    // Let go of what was read before first, or both readings are held at once.
    items = {};
    rows = {};
    byHref = {};
    if (SyncResult why = store.items(items); !why.ok())
        return why;
    if (SyncResult why = store.rows(rows); !why.ok())
        return why;
    indexByHref();

    std::unordered_map<qint64, std::size_t> claimedBy;
    std::vector<std::size_t> lost;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        if (hasRow(item) && claimedBy.emplace(*item.contact, i).second)
            continue;
        if (item.contact)
            lost.push_back(i);
    }
    // Identities made anew after rowids were renumbered: a record finds its contact by its
    // synced texts. A contact deleted here finds none, unless one just like it was added.
    std::unordered_map<std::string, std::vector<qint64>> free;
    if (!lost.empty())
        for (const auto& [contact, texts] : rows)
            if (!claimedBy.count(contact))
                free[pairingKey(texts)].push_back(contact);
    for (std::size_t i : lost) {
        Item& item = items[i];
        item.contact.reset(); // gone: deleted here
        if (item.synced) {
            auto match = free.find(pairingKey(*item.synced));
            if (match != free.end() && !match->second.empty()) {
                item.contact = match->second.back();
                match->second.pop_back();
                claimedBy.emplace(*item.contact, i);
            }
        }
        if (SyncResult w = store.saveItem(item); !w.ok())
            return w;
    }
    unlinkedRows.clear();
    for (const auto& [contact, texts] : rows)
        if (!claimedBy.count(contact))
            unlinkedRows.push_back(contact);
    std::sort(unlinkedRows.begin(), unlinkedRows.end());
    localCurrent = true;
    return {};
}

void SyncRun::dropItems(const std::vector<qint64>& ids) {
    std::vector<qint64> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    std::erase_if(items, [&](const Item& item) {
        return std::binary_search(sorted.begin(), sorted.end(), item.id);
    });
    indexByHref();
}

SyncResult SyncRun::textsSent(Item& item, std::optional<Texts>& out) {
    out.reset();
    if (SyncResult why = store.loadCard(item); !why.ok())
        return why;
    if (const std::optional<exchange::CardTexts> sent =
            item.card.empty() ? std::nullopt : exchange::readCardTexts(item.card))
        out = sent->texts;
    return {};
}

void SyncRun::indexByHref() {
    byHref.clear();
    for (std::size_t i = 0; i < items.size(); ++i)
        byHref.insert(items[i].href, i);
}

void SyncRun::report(SyncPhase phase, int done, int total) const {
    if (options.progress)
        options.progress({phase, done, total});
}

SyncResult SyncRun::noteIfClean() {
    if (quiet || knownCount < 0)
        return {}; // still clean as noted, or written by someone else meanwhile
    for (const Item& item : items)
        if (item.fetch || item.gone || !item.synced || !hasRow(item) ||
            !sameFields(rows.at(*item.contact), *item.synced))
            return {};
    if (items.size() != rows.size())
        return {};
    link.clean = knownCount;
    return store.saveListing(link);
}

QString SyncSummary::line() const {
    QStringList parts;
    if (paired)
        parts << counted(paired, "paired", "paired");
    parts << QStringLiteral("%1 new here").arg(newHere)
          << QStringLiteral("%1 changed here").arg(changedHere)
          << QStringLiteral("%1 deleted here").arg(deletedHere)
          << QStringLiteral("%1 sent").arg(sent)
          << QStringLiteral("%1 deleted there").arg(deletedThere)
          << counted(conflicts, "conflict", "conflicts");
    return parts.join(QStringLiteral(", "));
}

SyncSummary runSync(SyncStore& store, HttpClient& client, const Link& link,
                    const SyncOptions& options) {
    SyncRun run{store, client, link, options, QUrl(link.url), {}, {}, {}, {}, {}, false};
    // Read again here, under the caller's lock: a sync that waited for another must not start
    // from the token that one replaced.
    std::optional<Link> now;
    SyncResult why = store.link(now);
    if (!why.ok()) {
        run.summary.stop = std::move(why);
        return run.summary;
    }
    if (now && now->url == link.url)
        run.link = *now;
    if (run.options.revision.isEmpty())
        run.options.revision =
            QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    qint64 count = -1;
    if (why = store.changeCount(count); !why.ok()) {
        run.summary.stop = std::move(why);
        return run.summary;
    }
    run.quiet = run.link.paired && run.link.clean >= 0 && count == run.link.clean;
    run.knownCount = run.quiet ? count : -1;
    bool resend = false, again = false;
    if (!run.link.paired)
        why = fetchChanges(run, resend);
    for (int round = 0; why.ok() && round < kMaxRounds; ++round) {
        again = false;
        why = pushChanges(run, again);
        if (why.ok())
            why = fetchChanges(run, resend);
        if (!resend && !again)
            break;
    }
    if (why.ok() && !resend && !again)
        why = run.noteIfClean();
    run.summary.stop = std::move(why);
    return run.summary;
}

} // namespace rolvane::carddav
