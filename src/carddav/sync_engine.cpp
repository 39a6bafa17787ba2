// SPDX-License-Identifier: GPL-3.0-or-later
// The order of a sync: on a link's first sync the server is read first so that equal contacts
// are paired rather than sent twice; after that, local changes go first, then the server's.
// A merge that leaves something to send starts one more round, a bounded number of times.
#include "sync_engine.h"

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
    item.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    item.href = collection.path(QUrl::FullyEncoded) + item.uid + QStringLiteral(".vcf");
    item.etag.clear();
    item.card.clear();
    item.cardLoaded = true;
    item.synced.reset();
}

QString SyncRun::loadLocal() {
    QString why;
    // Let go of what was read before first, or both readings are held at once.
    items = {};
    rows = {};
    byHref = {};
    items = store.items(&why);
    rows = store.rows(&why);
    if (!why.isEmpty())
        return why;
    for (std::size_t i = 0; i < items.size(); ++i)
        byHref.insert(items[i].href, i);

    // A row still holding what was synced keeps its record; a record whose row changed is
    // paired again with an unclaimed row holding exactly its synced texts (the table was rebuilt
    // with new rowids), else it keeps its row as an edit unless another record took it.
    std::unordered_map<qint64, std::size_t> claimedBy;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        if (!item.row || !rows.count(*item.row))
            continue;
        if (!item.synced || sameFields(rows[*item.row], *item.synced))
            claimedBy.emplace(*item.row, i);
    }
    std::unordered_map<std::string, std::vector<qint64>> free;
    for (const auto& [row, texts] : rows)
        if (!claimedBy.count(row))
            free[pairingKey(texts)].push_back(row);
    std::vector<std::size_t> unsure;
    for (std::size_t i = 0; i < items.size(); ++i) {
        Item& item = items[i];
        if (!item.row || !item.synced || (claimedBy.count(*item.row) && claimedBy[*item.row] == i))
            continue;
        auto match = free.find(pairingKey(*item.synced));
        if (match != free.end() && !match->second.empty()) {
            item.row = match->second.back();
            match->second.pop_back();
            claimedBy.emplace(*item.row, i);
            if (QString w = store.saveItem(item); !w.isEmpty())
                return w;
        } else {
            unsure.push_back(i);
        }
    }
    for (std::size_t i : unsure) {
        Item& item = items[i];
        if (rows.count(*item.row) && !claimedBy.count(*item.row)) {
            claimedBy.emplace(*item.row, i); // an edit here
            continue;
        }
        item.row.reset(); // its row is gone or another contact's: taken as deleted here
        if (QString w = store.saveItem(item); !w.isEmpty())
            return w;
    }
    unlinkedRows.clear();
    for (const auto& [row, texts] : rows)
        if (!claimedBy.count(row))
            unlinkedRows.push_back(row);
    std::sort(unlinkedRows.begin(), unlinkedRows.end());
    localCurrent = true;
    return {};
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
    if (run.options.revision.isEmpty())
        run.options.revision =
            QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString why;
    bool resend = false;
    if (!run.link.paired) {
        why = fetchChanges(run, resend);
        if (why.isEmpty())
            run.link.paired = true;
    }
    for (int round = 0; why.isEmpty() && round < kMaxRounds; ++round) {
        why = pushChanges(run);
        if (why.isEmpty())
            why = fetchChanges(run, resend);
        if (!resend)
            break;
    }
    run.summary.error = why;
    return run.summary;
}

} // namespace rolvane::carddav
