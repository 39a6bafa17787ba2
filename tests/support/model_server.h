// SPDX-License-Identifier: GPL-3.0-or-later
// A CardDAV address book held in memory and answered through HttpClient's transport, with the
// faults and quirks of real servers drawn from a seeded generator: the same seed and the same
// requests give the same answers, so a failing sync simulation can be run again exactly.
#pragma once

#include "carddav/http_client.h"

#include <QString>
#include <QUrl>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace rolvane::test {

// Probabilities, each from 0 to 1; all zero is a well-behaved server.
struct ModelFaults {
    // Per request, before anything is done.
    double dropBefore = 0;  // the connection drops: no answer
    double serverError = 0; // 500, 502 or 503
    double redirect = 0;    // 301/302/303/307/308 to the other path of the same resource
    // Per request, after it was done (a write landed).
    double dropAfter = 0;     // the answer is lost
    double seeOtherAfter = 0; // a write answered 303 instead of 2xx
    // sync-collection listings.
    double refuseToken = 0;   // 403 valid-sync-token for a token that is still good
    double truncate = 0;      // only the first members, 507, and a token to go on from
    double omitTransient = 0; // a card created and deleted since the token is left out
    // PUTs that are stored.
    double rewriteUid = 0;   // a new card's UID replaced by one of the server's
    double reorderLines = 0; // the properties stored in another order
    double weakETag = 0;     // answered with W/"..." (GET and listings give the strong one)
    double noETag = 0;       // answered with no ETag header

    static ModelFaults chaos();
};

class ModelServer {
public:
    // `collection` is an absolute URL ending in '/'; with an empty `user` no credentials are
    // asked for.
    ModelServer(std::uint64_t seed, const QUrl& collection, QString user, QString password);

    // One request as HttpClient's transport hands it over.
    carddav::HttpResponse handle(const carddav::HttpRequest& request);
    carddav::HttpClient::Transport transport() {
        return [this](const carddav::HttpRequest& r) { return handle(r); };
    }

    void setFaults(const ModelFaults& faults) { faults_ = faults; }
    const ModelFaults& faults() const { return faults_; }
    void quiet() { faults_ = ModelFaults(); }

    // Another device's changes, made without faults or quirks. Paths are as in `cards()`.
    QString deviceAdd(const std::string& card);
    bool deviceEdit(const QString& href, const std::string& card);
    bool deviceDelete(const QString& href);
    // Tokens handed out so far are refused from now on, as after a server's history is pruned.
    void forgetHistory();

    // Every card by its path (as in hrefs, e.g. "/u/book/a.vcf").
    std::map<QString, std::string> cards() const;
    QByteArray etagOf(const QString& href) const; // strong, quoted; empty when there is none
    QUrl collection() const { return collection_; }
    QUrl alias() const; // the same collection under another path, served alike
    QString currentToken() const { return tokenFor(seq_); }
    static QString tokenFor(std::uint64_t seq);
    int requestCount() const { return requests_; }

private:
    struct Card {
        std::string text;
        std::uint64_t etag = 0; // from etagCounter_: new on every store
        std::uint64_t created = 0, changed = 0;
    };
    struct Tombstone {
        std::uint64_t created = 0, deleted = 0;
    };
    enum class Target { Outside, Collection, Member };
    struct Resolved {
        Target target = Target::Outside;
        QString href; // canonical path of the member or the collection
        bool alias = false;
    };

    bool chance(double p);
    std::uint64_t below(std::uint64_t n);
    Resolved resolve(const QUrl& url) const;
    QByteArray locationFor(const Resolved& r);
    carddav::HttpResponse dispatch(const carddav::HttpRequest& request, const Resolved& r);
    carddav::HttpResponse get(const Resolved& r) const;
    carddav::HttpResponse put(const carddav::HttpRequest& request, const Resolved& r);
    carddav::HttpResponse remove(const carddav::HttpRequest& request, const Resolved& r);
    carddav::HttpResponse propfind(const carddav::HttpRequest& request, const Resolved& r) const;
    carddav::HttpResponse report(const carddav::HttpRequest& request);
    carddav::HttpResponse syncCollection(const QString& token);
    carddav::HttpResponse multiget(const std::vector<QString>& hrefs) const;
    void store(const QString& href, std::string text);
    void erase(const QString& href);
    std::string quirks(std::string text, bool created);

    std::mt19937_64 rng_;
    QUrl collection_;
    QByteArray authorization_;
    ModelFaults faults_;
    std::map<QString, Card> cards_;
    std::map<QString, Tombstone> tombstones_;
    std::uint64_t seq_ = 0, etagCounter_ = 0, forgottenBefore_ = 0, deviceCards_ = 0;
    int requests_ = 0;
};

} // namespace rolvane::test
