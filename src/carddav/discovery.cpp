// SPDX-License-Identifier: GPL-3.0-or-later
// Each step is one PROPFIND; an answer that is not a multistatus ends the walk with its reason.
#include "discovery.h"

#include "multistatus.h"
#include "server_url.h"

#include <QUuid>

namespace rolvane::carddav {

namespace {

QString notCardDav(const HttpResponse& response) {
    return QStringLiteral("the server is not a CardDAV server, or %1 is not its CardDAV address "
                          "(it answered %2)")
        .arg(displayUrl(response.url))
        .arg(response.status);
}

const QString kCardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");

const QByteArray kProbe =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\" "
    "xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop><d:resourcetype/><d:displayname/>"
    "<d:current-user-principal/><c:addressbook-home-set/><c:supported-address-data/>"
    "</d:prop></d:propfind>";

std::optional<Multistatus> propfind(HttpClient& client, const QUrl& url, const char* depth,
                                    QString& why, QUrl* answeredFrom = nullptr) {
    HttpRequest request{"PROPFIND", url, kProbe, {{"Depth", depth}}};
    const HttpResponse response = client.send(request);
    if (answeredFrom)
        *answeredFrom = response.url;
    if (response.status != 207) {
        // Any other success means the request was not understood: a plain web server.
        why = response.ok() ? notCardDav(response) : answerProblem(response);
        return std::nullopt;
    }
    QString error;
    std::optional<Multistatus> ms = parseMultistatus(response.body, &error);
    if (!ms)
        why = QStringLiteral("the server's answer could not be read (%1)").arg(error);
    return ms;
}

bool isAddressBook(const DavResponse& r) {
    const DavProperty* type = r.property(u"resourcetype");
    return type && type->children.contains(QStringLiteral("addressbook"));
}

AddressBook bookOf(const QUrl& url, const DavResponse& r) {
    AddressBook book;
    book.url = url;
    if (const DavProperty* name = r.property(u"displayname"); name && !name->text.isEmpty())
        book.name = name->text;
    else
        book.name = url.path().section(QLatin1Char('/'), -2, -2);
    if (const DavProperty* data = r.property(u"supported-address-data"))
        book.version4 = data->text.contains(QLatin1String("4.0"));
    return book;
}

QString firstHref(const Multistatus& ms, QStringView property) {
    for (const DavResponse& r : ms.responses)
        if (const DavProperty* p = r.property(property); p && !p->hrefs.isEmpty())
            return p->hrefs.front();
    return {};
}

QUrl asCollection(QUrl url) {
    if (!url.path().endsWith(QLatin1Char('/')))
        url.setPath(url.path() + QLatin1Char('/'));
    return url;
}

} // namespace

QString answerProblem(const HttpResponse& response) {
    if (!response.error.isEmpty())
        return response.error;
    if (answerKind(response) == SyncKind::NotCardDav)
        return notCardDav(response);
    switch (response.status) {
    case 401:
        if (!response.sentCredentials)
            return QStringLiteral("the server asks for a user name and password, and none was "
                                  "given");
        return QStringLiteral("the server refused the user name or password");
    case 403:
        return QStringLiteral("the server refused access");
    case 404:
    case 410:
        return QStringLiteral("the server has nothing at %1").arg(displayUrl(response.url));
    default:
        return QStringLiteral("the server answered %1 at %2")
            .arg(response.status)
            .arg(displayUrl(response.url));
    }
}

SyncResult answerFailure(const HttpResponse& response) {
    return {answerKind(response), answerProblem(response)};
}

Discovered discover(HttpClient& client, const QUrl& start) {
    Discovered found;
    QUrl answered;
    std::optional<Multistatus> ms = propfind(client, start, "0", found.error, &answered);
    if (ms && !ms->responses.empty() && isAddressBook(ms->responses.front())) {
        found.books.push_back(bookOf(asCollection(answered), ms->responses.front()));
        return found;
    }
    QString principal = ms ? firstHref(*ms, u"current-user-principal") : QString();
    QString home = ms ? firstHref(*ms, u"addressbook-home-set") : QString();
    if (principal.isEmpty() && home.isEmpty()) {
        QUrl wellKnown = start;
        wellKnown.setPath(QStringLiteral("/.well-known/carddav"));
        QString why;
        ms = propfind(client, wellKnown, "0", why, &answered);
        if (!ms) {
            found.error = found.error.isEmpty() ? why : found.error;
            return found;
        }
        principal = firstHref(*ms, u"current-user-principal");
    }
    if (home.isEmpty() && !principal.isEmpty()) {
        const std::optional<QUrl> url = resolveHref(answered, principal);
        if (!url) {
            found.error = QStringLiteral("the server named a principal on another host");
            return found;
        }
        ms = propfind(client, *url, "0", found.error, &answered);
        if (!ms)
            return found;
        home = firstHref(*ms, u"addressbook-home-set");
    }
    if (home.isEmpty()) {
        found.error = QStringLiteral("no address books were found at %1").arg(displayUrl(start));
        return found;
    }
    const std::optional<QUrl> homeUrl = resolveHref(answered, home);
    if (!homeUrl) {
        found.error = QStringLiteral("the server keeps the address books on another host");
        return found;
    }
    found.home = asCollection(*homeUrl);
    ms = propfind(client, found.home, "1", found.error, &answered);
    if (!ms)
        return found;
    found.error.clear();
    for (const DavResponse& r : ms->responses) {
        const std::optional<QUrl> url = resolveHref(found.home, r.href);
        if (url && isAddressBook(r))
            found.books.push_back(bookOf(asCollection(*url), r));
    }
    return found;
}

QString makeAddressBook(HttpClient& client, const QUrl& home, const QString& name,
                        AddressBook& made) {
    QString segment;
    for (QChar c : name.toLower())
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-')
            segment += c;
    if (segment.isEmpty())
        segment = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QUrl url = home.resolved(QUrl(segment + QLatin1Char('/')));
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:mkcol xmlns:d=\"DAV:\" "
                      "xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:set><d:prop><d:resourcetype>"
                      "<d:collection/><c:addressbook/></d:resourcetype><d:displayname>";
    body += name.toHtmlEscaped().toUtf8();
    body += "</d:displayname></d:prop></d:set></d:mkcol>";
    const HttpResponse response = client.send({"MKCOL", url, body, {}});
    if (response.status == 405)
        return QStringLiteral("the server already has something at %1").arg(displayUrl(url));
    if (response.status != 201)
        return answerProblem(response);
    made.url = url;
    made.name = name;
    return {};
}

} // namespace rolvane::carddav
