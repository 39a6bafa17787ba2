// SPDX-License-Identifier: GPL-3.0-or-later
// The model server's requests one by one: faults, credentials, GET, PUT and DELETE with their
// preconditions, the quirks of a store, and another device's changes.
#include "model_server.h"

#include <algorithm>

namespace rolvane::test {

using carddav::HttpFailure;
using carddav::HttpRequest;
using carddav::HttpResponse;

namespace {

const QString kAliasPrefix = QStringLiteral("/alias");
const int k5xx[] = {500, 502, 503};

HttpResponse answer(int status, QByteArray body = {}) {
    HttpResponse r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

HttpResponse dropped() {
    HttpResponse r;
    r.failure = HttpFailure::Network;
    r.error = QStringLiteral("the connection dropped");
    return r;
}

const QByteArray* header(const HttpRequest& request, const char* name) {
    for (const auto& [key, value] : request.headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return &value;
    return nullptr;
}

// Both preconditions a write may carry, compared strongly (a weak tag never matches).
bool preconditionFails(const HttpRequest& request, const QByteArray* current) {
    const QByteArray* noneMatch = header(request, "If-None-Match");
    const QByteArray* match = header(request, "If-Match");
    if (noneMatch && current && (*noneMatch == "*" || *noneMatch == *current))
        return true;
    return match && (!current || (*match != "*" && *match != *current));
}

QByteArray strongETag(std::uint64_t n) {
    return '"' + QByteArray::number(quint64(n)) + '"';
}

// A card's properties, each with its folded continuation lines and its line end.
std::vector<std::string> properties(const std::string& text) {
    std::vector<std::string> props;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        std::string line = text.substr(at, next - at);
        if (!props.empty() && (line.front() == ' ' || line.front() == '\t'))
            props.back() += line;
        else
            props.push_back(std::move(line));
        at = next;
    }
    return props;
}

std::string propertyName(const std::string& prop) {
    std::string name = prop.substr(0, prop.find_first_of(":;"));
    if (const std::size_t dot = name.find('.'); dot != std::string::npos)
        name.erase(0, dot + 1); // a group: item1.TEL
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return name;
}

std::string lineEnd(const std::string& prop) {
    if (prop.ends_with("\r\n"))
        return "\r\n";
    return prop.ends_with('\n') ? "\n" : "";
}

std::string joined(const std::vector<std::string>& props) {
    std::string text;
    for (const std::string& p : props)
        text += p;
    return text;
}

} // namespace

ModelFaults ModelFaults::chaos() {
    ModelFaults f;
    f.dropBefore = 0.03;
    f.serverError = 0.03;
    f.redirect = 0.05;
    f.dropAfter = 0.03;
    f.seeOtherAfter = 0.03;
    f.refuseToken = 0.05;
    f.truncate = 0.3;
    f.omitTransient = 0.5;
    f.rewriteUid = 0.1;
    f.reorderLines = 0.2;
    f.weakETag = 0.2;
    f.noETag = 0.1;
    return f;
}

ModelServer::ModelServer(std::uint64_t seed, const QUrl& collection, QString user, QString password)
    : rng_(seed), collection_(collection) {
    if (!user.isEmpty())
        authorization_ = "Basic " + (user + QLatin1Char(':') + password).toUtf8().toBase64();
}

// Drawn from the generator's bits directly: the <random> distributions differ between standard
// libraries, and a run must repeat wherever it is built.
bool ModelServer::chance(double p) {
    if (p <= 0)
        return false;
    return double(rng_() >> 11) * 0x1.0p-53 < p;
}

std::uint64_t ModelServer::below(std::uint64_t n) {
    return n == 0 ? 0 : rng_() % n;
}

QUrl ModelServer::alias() const {
    QUrl url = collection_;
    url.setPath(kAliasPrefix + collection_.path());
    return url;
}

ModelServer::Resolved ModelServer::resolve(const QUrl& url) const {
    Resolved r;
    if (url.scheme() != collection_.scheme() || url.host() != collection_.host() ||
        url.port() != collection_.port())
        return r;
    const QString base = collection_.path(QUrl::FullyEncoded);
    QString path = url.path(QUrl::FullyEncoded);
    if (path.startsWith(kAliasPrefix + QLatin1Char('/'))) {
        path.remove(0, kAliasPrefix.size());
        r.alias = true;
    }
    if (path == base || path + QLatin1Char('/') == base) {
        r.target = Target::Collection;
        r.href = base;
    } else if (path.startsWith(base) && !path.mid(base.size()).contains(QLatin1Char('/'))) {
        r.target = Target::Member;
        r.href = path;
    }
    return r;
}

// The other path of the same resource, as a path or a whole URL.
QByteArray ModelServer::locationFor(const Resolved& r) {
    const QString path = r.alias ? r.href : kAliasPrefix + r.href;
    if (chance(0.5))
        return path.toUtf8();
    return collection_.resolved(QUrl::fromEncoded(path.toUtf8())).toEncoded();
}

HttpResponse ModelServer::handle(const HttpRequest& request) {
    ++requests_;
    const Resolved r = resolve(request.url);
    const bool write = request.method == "PUT" || request.method == "DELETE";
    if (chance(faults_.dropBefore))
        return dropped();
    if (chance(faults_.serverError))
        return answer(k5xx[below(3)]);
    if (r.target != Target::Outside && chance(faults_.redirect)) {
        // After a 303 a PROPFIND or REPORT would become a GET, which no server means by it.
        const bool seeOther = write || request.method == "GET";
        static const int kStatuses[] = {301, 302, 307, 308, 303};
        HttpResponse moved = answer(kStatuses[below(seeOther ? 5 : 4)]);
        moved.location = locationFor(r);
        return moved;
    }
    if (!authorization_.isEmpty()) {
        const QByteArray* given = header(request, "Authorization");
        if (!given || *given != authorization_)
            return answer(401);
    }
    HttpResponse done = dispatch(request, r);
    if (chance(faults_.dropAfter))
        return dropped();
    if (write && done.ok() && chance(faults_.seeOtherAfter)) {
        HttpResponse seeOther = answer(303);
        seeOther.location = locationFor(r);
        return seeOther;
    }
    return done;
}

HttpResponse ModelServer::dispatch(const HttpRequest& request, const Resolved& r) {
    if (r.target == Target::Outside)
        return answer(404);
    const QByteArray& m = request.method;
    if (m == "PROPFIND")
        return propfind(request, r);
    if (m == "REPORT" && r.target == Target::Collection)
        return report(request);
    if (r.target == Target::Collection)
        return answer(405); // the book itself is neither read, written nor deleted here
    if (m == "GET")
        return get(r);
    if (m == "PUT")
        return put(request, r);
    if (m == "DELETE")
        return remove(request, r);
    return answer(405);
}

HttpResponse ModelServer::get(const Resolved& r) const {
    const auto card = cards_.find(r.href);
    if (card == cards_.end())
        return answer(404);
    HttpResponse got = answer(200, QByteArray::fromStdString(card->second.text));
    got.etag = strongETag(card->second.etag);
    return got;
}

HttpResponse ModelServer::put(const HttpRequest& request, const Resolved& r) {
    const auto now = cards_.find(r.href);
    const bool created = now == cards_.end();
    const QByteArray current = created ? QByteArray() : strongETag(now->second.etag);
    if (preconditionFails(request, created ? nullptr : &current))
        return answer(412);
    if (!request.body.trimmed().startsWith("BEGIN:VCARD"))
        return answer(400);
    store(r.href, quirks(request.body.toStdString(), created));
    HttpResponse stored = answer(created ? 201 : 204);
    if (!chance(faults_.noETag)) {
        stored.etag = strongETag(cards_[r.href].etag);
        if (chance(faults_.weakETag))
            stored.etag.prepend("W/");
    }
    return stored;
}

HttpResponse ModelServer::remove(const HttpRequest& request, const Resolved& r) {
    const auto now = cards_.find(r.href);
    const QByteArray current = now == cards_.end() ? QByteArray() : strongETag(now->second.etag);
    if (preconditionFails(request, now == cards_.end() ? nullptr : &current))
        return answer(412);
    if (now == cards_.end())
        return answer(404);
    erase(r.href);
    return answer(204);
}

void ModelServer::store(const QString& href, std::string text) {
    Card& card = cards_[href];
    ++seq_;
    card.text = std::move(text);
    card.etag = ++etagCounter_;
    card.changed = seq_;
    if (card.created == 0) {
        // Recreated over a deletion: it may have been seen since the earlier creation.
        const auto stone = tombstones_.find(href);
        card.created = stone == tombstones_.end() ? seq_ : stone->second.created;
        if (stone != tombstones_.end())
            tombstones_.erase(stone);
    }
}

void ModelServer::erase(const QString& href) {
    const auto card = cards_.find(href);
    tombstones_[href] = {card->second.created, ++seq_};
    cards_.erase(card);
}

// Stored as some servers store: under a UID of their own, the properties in another order.
std::string ModelServer::quirks(std::string text, bool created) {
    std::vector<std::string> props = properties(text);
    if (created && chance(faults_.rewriteUid)) {
        const std::string uid = "model-" + std::to_string(rng_());
        for (std::string& p : props)
            if (propertyName(p) == "UID")
                p = "UID:" + uid + lineEnd(p);
        text = joined(props);
    }
    if (!chance(faults_.reorderLines))
        return text;
    std::size_t first = 0, last = props.size();
    while (first < std::min<std::size_t>(2, last) &&
           (propertyName(props[first]) == "BEGIN" || propertyName(props[first]) == "VERSION"))
        ++first;
    if (last > first && propertyName(props[last - 1]) == "END")
        --last;
    const bool ended = text.ends_with('\n');
    for (std::string& p : props)
        if (lineEnd(p).empty())
            p += "\r\n";
    for (std::size_t i = last; i > first + 1; --i)
        std::swap(props[i - 1], props[first + below(i - first)]);
    text = joined(props);
    if (!ended)
        text.erase(text.find_last_not_of("\r\n") + 1);
    return text;
}

QString ModelServer::deviceAdd(const std::string& card) {
    QString href;
    do
        href = collection_.path(QUrl::FullyEncoded) +
               QStringLiteral("device-%1.vcf").arg(++deviceCards_);
    while (cards_.count(href));
    store(href, card);
    return href;
}

bool ModelServer::deviceEdit(const QString& href, const std::string& card) {
    if (!cards_.count(href))
        return false;
    store(href, card);
    return true;
}

bool ModelServer::deviceDelete(const QString& href) {
    if (!cards_.count(href))
        return false;
    erase(href);
    return true;
}

void ModelServer::forgetHistory() {
    forgottenBefore_ = seq_;
    tombstones_.clear();
}

std::map<QString, std::string> ModelServer::cards() const {
    std::map<QString, std::string> all;
    for (const auto& [href, card] : cards_)
        all.emplace(href, card.text);
    return all;
}

QByteArray ModelServer::etagOf(const QString& href) const {
    const auto card = cards_.find(href);
    return card == cards_.end() ? QByteArray() : strongETag(card->second.etag);
}

} // namespace rolvane::test
