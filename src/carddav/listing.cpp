// SPDX-License-Identifier: GPL-3.0-or-later
// A rejected token (valid-sync-token, or a server error such as Xandikos's 500 on a token it does
// not know) is reported, so the caller lists everything anew; nothing is deleted on its account.
#include "listing.h"

#include "discovery.h"
#include "multistatus.h"

namespace rolvane::carddav {

namespace {

const QByteArray kPropfindETags =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/>"
    "<d:resourcetype/></d:prop></d:propfind>";

QByteArray syncCollectionBody(const QString& token) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:sync-collection xmlns:d=\"DAV:\">"
           "<d:sync-token>" +
           token.toHtmlEscaped().toUtf8() +
           "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop>"
           "</d:sync-collection>";
}

bool isCollectionItself(const QUrl& collection, const QString& href) {
    const QUrl url = collection.resolved(QUrl(href));
    QString a = url.path(QUrl::FullyEncoded), b = collection.path(QUrl::FullyEncoded);
    while (a.endsWith(QLatin1Char('/')))
        a.chop(1);
    while (b.endsWith(QLatin1Char('/')))
        b.chop(1);
    return a == b;
}

SyncResult readListing(const QUrl& collection, const HttpResponse& answer, Listing& listing) {
    QString error;
    const std::optional<Multistatus> ms = parseMultistatus(answer.body, &error);
    if (!ms)
        return {SyncKind::BadAnswer,
                QStringLiteral("the server's listing could not be read (%1)").arg(error)};
    listing.token = ms->syncToken;
    for (const DavResponse& r : ms->responses) {
        if (isCollectionItself(collection, r.href)) {
            listing.truncated = listing.truncated || r.status == 507;
            continue;
        }
        const DavProperty* type = r.property(u"resourcetype");
        if (type && type->children.contains(QStringLiteral("collection")))
            continue;
        Listed member{r.href, {}, r.status == 404 || r.status == 410};
        if (const DavProperty* etag = r.property(u"getetag"))
            member.etag = etag->text.toUtf8();
        listing.members.push_back(std::move(member));
    }
    return {};
}

} // namespace

SyncResult listMembers(HttpClient& client, const QUrl& collection, const QString& token,
                       Listing& listing) {
    listing = Listing();
    const HttpResponse answer =
        client.send({"REPORT", collection, syncCollectionBody(token), {{"Depth", "0"}}});
    if (answer.status == 207) {
        listing.full = token.isEmpty();
        return readListing(collection, answer, listing);
    }
    if (answer.status == 0 || answer.status == 401 || answer.status == 404 || answer.status == 410)
        return answerFailure(answer);
    if (!token.isEmpty()) {
        listing.tokenRejected = true; // 403/409 valid-sync-token, a 5xx, or a refusal
        return {};
    }
    const HttpResponse all =
        client.send({"PROPFIND", collection, kPropfindETags, {{"Depth", "1"}}});
    if (all.status != 207)
        return answerFailure(all);
    listing.full = true;
    SyncResult result = readListing(collection, all, listing);
    listing.token.clear();
    return result;
}

} // namespace rolvane::carddav
