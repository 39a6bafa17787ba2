// SPDX-License-Identifier: GPL-3.0-or-later
// The model server's multistatus answers: PROPFIND, sync-collection (tokens, deletions, paging by
// 507) and addressbook-multiget.
#include "model_server.h"

#include <QXmlStreamReader>
#include <algorithm>

namespace rolvane::test {

using carddav::HttpRequest;
using carddav::HttpResponse;

namespace {

const QString kDav = QStringLiteral("DAV:");
const QString kCardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");
const QString kTokenPrefix = QStringLiteral("http://model.invalid/sync/");

QByteArray escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

QByteArray hrefElement(const QString& href) {
    return "<d:href>" + escaped(href) + "</d:href>";
}

QByteArray statusElement(int status) {
    static const std::map<int, const char*> kReasons = {
        {200, "OK"}, {404, "Not Found"}, {507, "Insufficient Storage"}};
    return "<d:status>HTTP/1.1 " + QByteArray::number(status) + ' ' + kReasons.at(status) +
           "</d:status>";
}

QByteArray found(const QString& href, const QByteArray& props) {
    return "<d:response>" + hrefElement(href) + "<d:propstat><d:prop>" + props + "</d:prop>" +
           statusElement(200) + "</d:propstat></d:response>";
}

QByteArray bare(const QString& href, int status) {
    return "<d:response>" + hrefElement(href) + statusElement(status) + "</d:response>";
}

QByteArray etagElement(std::uint64_t etag) {
    return "<d:getetag>\"" + QByteArray::number(quint64(etag)) + "\"</d:getetag>";
}

HttpResponse multistatus(const QByteArray& responses, const QString& token = {}) {
    HttpResponse r;
    r.status = 207;
    r.body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<d:multistatus xmlns:d=\"DAV:\" "
             "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">" +
             responses;
    if (!token.isEmpty())
        r.body += "<d:sync-token>" + escaped(token) + "</d:sync-token>";
    r.body += "</d:multistatus>";
    return r;
}

HttpResponse status(int code, QByteArray body = {}) {
    HttpResponse r;
    r.status = code;
    r.body = std::move(body);
    return r;
}

QByteArray depthOf(const HttpRequest& request) {
    for (const auto& [key, value] : request.headers)
        if (key.compare("Depth", Qt::CaseInsensitive) == 0)
            return value.trimmed();
    return "infinity";
}

} // namespace

QString ModelServer::tokenFor(std::uint64_t seq) {
    return kTokenPrefix + QString::number(quint64(seq));
}

HttpResponse ModelServer::propfind(const HttpRequest& request, const Resolved& r) const {
    if (r.target == Target::Member) {
        const auto card = cards_.find(r.href);
        if (card == cards_.end())
            return status(404);
        return multistatus(found(r.href, etagElement(card->second.etag) + "<d:resourcetype/>"));
    }
    QByteArray responses =
        found(r.href, "<d:resourcetype><d:collection/><c:addressbook/></d:resourcetype>");
    if (depthOf(request) != "0")
        for (const auto& [href, card] : cards_)
            responses += found(href, etagElement(card.etag) + "<d:resourcetype/>");
    return multistatus(responses);
}

// Either report the client sends; anything else is refused as unreadable.
HttpResponse ModelServer::report(const HttpRequest& request) {
    QXmlStreamReader xml(request.body);
    if (!xml.readNextStartElement())
        return status(400);
    if (xml.namespaceUri() == kDav && xml.name() == u"sync-collection") {
        if (depthOf(request) != "0")
            return status(400);
        QString token;
        bool named = false;
        while (xml.readNextStartElement()) {
            if (xml.namespaceUri() == kDav && xml.name() == u"sync-token") {
                token = xml.readElementText().trimmed();
                named = true;
            } else {
                xml.skipCurrentElement();
            }
        }
        return xml.hasError() || !named ? status(400) : syncCollection(token);
    }
    if (xml.namespaceUri() == kCardDav && xml.name() == u"addressbook-multiget") {
        std::vector<QString> hrefs;
        while (xml.readNextStartElement()) {
            if (xml.namespaceUri() == kDav && xml.name() == u"href")
                hrefs.push_back(xml.readElementText().trimmed());
            else
                xml.skipCurrentElement();
        }
        return xml.hasError() ? status(400) : multiget(hrefs);
    }
    return status(403, "<d:error xmlns:d=\"DAV:\"><d:supported-report/></d:error>");
}

HttpResponse ModelServer::syncCollection(const QString& token) {
    std::uint64_t from = 0;
    if (!token.isEmpty()) {
        bool ok = false;
        from = token.mid(kTokenPrefix.size()).toULongLong(&ok);
        // Only a token as handed out is known: not one from the future, nor one forgotten.
        if (!ok || tokenFor(from) != token || from > seq_ || from < forgottenBefore_ ||
            chance(faults_.refuseToken))
            return status(403, "<d:error xmlns:d=\"DAV:\"><d:valid-sync-token/></d:error>");
    }
    struct Change {
        std::uint64_t seq;
        QByteArray response;
    };
    std::vector<Change> changes;
    for (const auto& [href, card] : cards_)
        if (card.changed > from)
            changes.push_back({card.changed, found(href, etagElement(card.etag))});
    if (!token.isEmpty())
        for (const auto& [href, stone] : tombstones_)
            if (stone.deleted > from && !(stone.created > from && chance(faults_.omitTransient)))
                changes.push_back({stone.deleted, bare(href, 404)});
    std::sort(changes.begin(), changes.end(),
              [](const Change& a, const Change& b) { return a.seq < b.seq; });
    std::uint64_t upTo = seq_;
    QByteArray responses;
    if (!changes.empty() && chance(faults_.truncate)) {
        changes.resize(1 + below(changes.size()));
        upTo = changes.back().seq;
        responses = bare(collection_.path(QUrl::FullyEncoded), 507);
    }
    for (const Change& c : changes)
        responses += c.response;
    return multistatus(responses, tokenFor(upTo));
}

HttpResponse ModelServer::multiget(const std::vector<QString>& hrefs) const {
    QByteArray responses;
    for (const QString& asked : hrefs) {
        const Resolved r = resolve(collection_.resolved(QUrl::fromEncoded(asked.toUtf8())));
        const auto card = r.target == Target::Member ? cards_.find(r.href) : cards_.end();
        if (card == cards_.end()) {
            responses += bare(asked, 404);
            continue;
        }
        responses += found(asked, etagElement(card->second.etag) + "<c:address-data>" +
                                      escaped(QString::fromStdString(card->second.text)) +
                                      "</c:address-data>");
    }
    return multistatus(responses);
}

} // namespace rolvane::test
