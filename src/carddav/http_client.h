// SPDX-License-Identifier: GPL-3.0-or-later
// Blocking HTTP for the sync, one request at a time: redirects followed by our own code,
// credentials only to the link's host and the hosts it may send us on to, every answer capped in
// size, silence and total time.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <atomic>
#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class QSslError;

namespace rolvane::carddav {

struct HttpLimits {
    qint64 maxBytes = qint64(64) << 20;
    int silenceMs = 120'000;  // no byte for this long: the server is gone (Radicale,
                              // cold, lists 10,000 cards after more than 30 s)
    int deadlineMs = 300'000; // one request, redirects included
    int maxRedirects = 5;
};

struct HttpRequest {
    QByteArray method;
    QUrl url;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
};

// Why no answer came; decisions follow this, never the words of `error`.
enum class HttpFailure {
    None,
    Network,        // refused, dropped, name not found, certificate not verified
    TooLarge,       // the answer passed the size cap
    Silent,         // no byte for too long, or the whole request took too long
    Redirect,       // a redirect that may not be followed (host, scheme, count)
    OutcomeUnknown, // a write was redirected: whether it landed is not known, look again
    Cancelled       // the caller asked to stop; a write under way may have landed
};

struct HttpResponse {
    int status = 0; // 0 when no answer came: see `failure` and `error`
    HttpFailure failure = HttpFailure::None;
    QString error; // plain words, empty when an answer came
    QByteArray body;
    QByteArray etag; // as received, quotes and W/ included
    QByteArray location;
    QUrl url;                     // where the answer came from, after redirects
    bool sentCredentials = false; // the request carried the user name and password
    // The SHA-256 of a certificate that did not verify and was not the pinned one.
    QByteArray untrustedCertificate = {};

    bool ok() const { return status >= 200 && status < 300; }
};

class HttpClient {
public:
    // Credentials go to `origin`'s host and the hosts mayFollowHost allows from it, no further.
    HttpClient(const QUrl& origin, QString user, QString password, HttpLimits limits = {});

    // Hosts of other domains the user confirmed for this link: redirects may lead there.
    void confirmHosts(const QStringList& hosts) { confirmed_ = hosts; }
    // The first host a redirect was refused for because it was not confirmed; empty when none.
    const QString& refusedHost() const { return refusedHost_; }

    // Accepts a certificate that does not verify only when the SHA-256 of its DER form is
    // `sha256` (as the user gave it at `sync add`); verification itself is never turned off.
    void pinCertificate(const QByteArray& sha256) { pin_ = sha256; }
    // The SHA-256 of the first certificate refused because it did not verify; empty when none.
    const QByteArray& untrustedCertificate() const { return untrusted_; }
    // Whether a server answered 401 to a request sent without a user name and password.
    bool askedForCredentials() const { return askedForCredentials_; }

    // `notice` is called (on this thread) once for each request that has had no answer for
    // `afterMs`, so that someone watching knows what the silence is.
    void setWaitingNotice(std::function<void(const QUrl&)> notice, int afterMs = 3000) {
        waitingNotice_ = std::move(notice);
        waitingMs_ = afterMs;
    }
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Every request goes to `transport` instead of the network (a model server in tests), with
    // the credentials and redirects handled above it as for the network.
    using Transport = std::function<HttpResponse(const HttpRequest&)>;
    void setTransport(Transport transport) { transport_ = std::move(transport); }

    // Once `*flag` is set (from any thread), no request is sent and one under way is aborted
    // within a fifth of a second; each then fails with HttpFailure::Cancelled.
    void setCancel(const std::atomic<bool>* flag) { cancel_ = flag; }
    bool cancelled() const { return cancel_ && cancel_->load(); }

    HttpResponse send(const HttpRequest& request);
    // Requests that reached the network, redirects included.
    int requestCount() const { return requests_; }

private:
    HttpResponse sendOnce(const HttpRequest& request);
    HttpResponse sendOverNetwork(const HttpRequest& request, const QNetworkRequest& req);
    bool trusted(const QUrl& url) const;
    // Lets a certificate that does not verify through when it is the pinned one.
    void checkCertificate(QNetworkReply& reply, const QList<QSslError>& errors,
                          HttpResponse& response) const;

    QUrl origin_;
    QStringList confirmed_;
    QString refusedHost_;
    QByteArray untrusted_;
    bool askedForCredentials_ = false;
    std::function<void(const QUrl&)> waitingNotice_;
    int waitingMs_ = 0;
    QByteArray authorization_;
    QByteArray pin_;
    HttpLimits limits_;
    std::unique_ptr<QNetworkAccessManager> manager_;
    Transport transport_;
    const std::atomic<bool>* cancel_ = nullptr;
    int requests_ = 0;
};

// A SHA-256 fingerprint as openssl prints it, "AB:CD:...", for people to compare.
QString fingerprintText(const QByteArray& sha256);

} // namespace rolvane::carddav
