// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own redirect policies either turn PROPFIND into GET (301, 302) or follow to other origins
// with the Authorization header: hence ManualRedirectPolicy and the loop below. Sizes are checked
// as the bytes arrive, with a small read buffer, so a huge answer is stopped early.
#include "http_client.h"

#include "redirect_hosts.h"
#include "server_url.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>

namespace rolvane::carddav {

namespace {

QString networkError(const QNetworkReply& reply, const QByteArray& untrusted) {
    switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("the server refused the connection");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("the server's name was not found");
    case QNetworkReply::SslHandshakeFailedError:
        if (!untrusted.isEmpty())
            return QStringLiteral("the server's certificate could not be verified (its SHA-256 "
                                  "fingerprint is %1)")
                .arg(fingerprintText(untrusted));
        return QStringLiteral("the server's certificate could not be verified");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("the server closed the connection");
    default:
        return QStringLiteral("the connection failed (%1)").arg(reply.errorString());
    }
}

// The rest of the answer, or why it was stopped (`stopped`) or did not come.
void finish(QNetworkReply& reply, const QString& stopped, HttpResponse& response) {
    if (!stopped.isEmpty()) {
        response.error = stopped;
        response.body.clear();
        return;
    }
    response.body += reply.readAll();
    response.status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (response.status == 0) {
        response.error = networkError(reply, response.untrustedCertificate);
        response.failure = HttpFailure::Network;
        return;
    }
    response.etag = reply.rawHeader("ETag");
    response.location = reply.rawHeader("Location");
}

} // namespace

QString fingerprintText(const QByteArray& sha256) {
    return QString::fromLatin1(sha256.toHex(':').toUpper());
}

HttpClient::HttpClient(const QUrl& origin, QString user, QString password, HttpLimits limits)
    : origin_(origin), limits_(limits), manager_(std::make_unique<QNetworkAccessManager>()) {
    manager_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    if (!user.isEmpty())
        authorization_ = "Basic " + (user + QLatin1Char(':') + password).toUtf8().toBase64();
}

HttpClient::~HttpClient() = default;

HttpResponse HttpClient::send(const HttpRequest& request) {
    HttpRequest current = request;
    // A write follows no redirect: a 303 means "look elsewhere with GET", and a write sent on
    // to another address (the collection, say) is not the write that was asked for.
    const bool write = request.method == "PUT" || request.method == "DELETE";
    for (int hop = 0;; ++hop) {
        HttpResponse response = sendOnce(current);
        if (untrusted_.isEmpty())
            untrusted_ = response.untrustedCertificate;
        if (response.status == 401 && !response.sentCredentials)
            askedForCredentials_ = true;
        const int s = response.status;
        if (s != 301 && s != 302 && s != 303 && s != 307 && s != 308)
            return response;
        HttpResponse refused;
        refused.url = current.url;
        refused.failure = HttpFailure::Redirect;
        const QUrl next = current.url.resolved(QUrl::fromEncoded(response.location));
        if (write || (s == 303 && request.method != "GET")) {
            refused.failure = HttpFailure::OutcomeUnknown;
            refused.error = QStringLiteral("the server answered %1 to a %2 at %3; it is looked "
                                           "at again at the next sync")
                                .arg(s)
                                .arg(QString::fromLatin1(request.method), displayUrl(current.url));
        } else if (hop >= limits_.maxRedirects)
            refused.error =
                QStringLiteral("the server sent more than %1 redirects").arg(limits_.maxRedirects);
        else if (response.location.isEmpty() || !next.isValid())
            refused.error = QStringLiteral("the server sent a redirect without a valid address");
        else if (current.url.scheme() == QLatin1String("https") &&
                 next.scheme() != QLatin1String("https"))
            refused.error = QStringLiteral("the server redirected from https to plain http");
        else if (!trusted(next)) {
            const QString host = normalHost(next.host());
            refused.error = QStringLiteral("the server sent us on to another host, %1, which was "
                                           "not confirmed for this link")
                                .arg(host);
            if (refusedHost_.isEmpty())
                refusedHost_ = host;
        } else if (const QString why = checkServerUrl(next); !why.isEmpty())
            refused.error = why;
        if (!refused.error.isEmpty())
            return refused;
        current.url = next; // method and body kept: 301 and 302 too, as DAV clients do
    }
}

bool HttpClient::trusted(const QUrl& url) const {
    // Never in clear text once the link is https.
    if (origin_.scheme() == QLatin1String("https") && url.scheme() != QLatin1String("https"))
        return false;
    // On this computer another port is another program: the origin's own port only, unless
    // the user confirmed that host.
    if ((isLoopbackHost(origin_.host()) || isLoopbackHost(url.host())) &&
        normalHost(url.host()) == normalHost(origin_.host()))
        return url.scheme() == origin_.scheme() &&
               url.port(defaultPort(url)) == origin_.port(defaultPort(origin_));
    return mayFollowHost(origin_.host(), url.host(), confirmed_);
}

HttpResponse HttpClient::sendOnce(const HttpRequest& request) {
    if (cancelled()) {
        HttpResponse response;
        response.url = request.url;
        response.failure = HttpFailure::Cancelled;
        response.error = QStringLiteral("the sync was cancelled");
        return response;
    }
    ++requests_;
    QNetworkRequest req(request.url);
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    req.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    for (const auto& [name, value] : request.headers)
        req.setRawHeader(name, value);
    const bool credentials = !authorization_.isEmpty() && trusted(request.url);
    if (credentials)
        req.setRawHeader("Authorization", authorization_);
    if (!request.body.isEmpty() && !req.hasRawHeader("Content-Type"))
        req.setRawHeader("Content-Type", "application/xml; charset=utf-8");
    if (transport_) {
        HttpRequest sent = request;
        sent.headers.clear();
        for (const QByteArray& name : req.rawHeaderList())
            sent.headers.append({name, req.rawHeader(name)});
        HttpResponse response = transport_(sent);
        response.url = request.url;
        response.sentCredentials = credentials;
        if (response.status == 0 && response.failure == HttpFailure::None)
            response.failure = HttpFailure::Network;
        return response;
    }
    HttpResponse response = sendOverNetwork(request, req);
    response.sentCredentials = credentials;
    return response;
}

void HttpClient::checkCertificate(QNetworkReply& reply, const QList<QSslError>& errors,
                                  HttpResponse& response) const {
    const QSslCertificate peer = reply.sslConfiguration().peerCertificate();
    if (peer.isNull())
        return;
    const QByteArray digest = peer.digest(QCryptographicHash::Sha256);
    if (!pin_.isEmpty() && digest == pin_)
        reply.ignoreSslErrors(errors);
    else
        response.untrustedCertificate = digest; // reported, so the user can check and pin it
}

HttpResponse HttpClient::sendOverNetwork(const HttpRequest& request, const QNetworkRequest& req) {
    // Deleted here, not later: the tool runs no event loop of its own, and a nested loop never
    // deletes what was scheduled outside it, so every reply (and the body it sent) would stay.
    const std::unique_ptr<QNetworkReply> reply(
        manager_->sendCustomRequest(req, request.method, request.body));
    reply->setReadBufferSize(256 * 1024);

    HttpResponse response;
    response.url = request.url;
    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    QTimer deadline;
    deadline.setSingleShot(true);
    // Waiting on the server: started again while the request is still being sent, stopped
    // once the answer begins.
    QTimer waiting;
    waiting.setSingleShot(true);
    QObject::connect(&waiting, &QTimer::timeout, &loop, [&] { waitingNotice_(request.url); });
    QString stopped;
    auto stop = [&](QString why, HttpFailure failure) {
        if (stopped.isEmpty()) {
            stopped = std::move(why);
            response.failure = failure;
        }
        reply->abort();
    };
    QObject::connect(&silence, &QTimer::timeout, &loop, [&] {
        stop(QStringLiteral("the server stopped answering"), HttpFailure::Silent);
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        stop(QStringLiteral("the server took too long to answer"), HttpFailure::Silent);
    });
    const auto tooLarge =
        QStringLiteral("the server's answer is larger than %1 MB").arg(limits_.maxBytes >> 20);
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
        silence.start(limits_.silenceMs);
        waiting.stop();
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > limits_.maxBytes)
            stop(tooLarge, HttpFailure::TooLarge);
        else if (length.isValid())
            response.body.reserve(length.toLongLong()); // one buffer, not a doubling series
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        silence.start(limits_.silenceMs);
        response.body += reply->readAll();
        if (response.body.size() > limits_.maxBytes)
            stop(tooLarge, HttpFailure::TooLarge);
    });
    QObject::connect(
        reply.get(), &QNetworkReply::sslErrors, &loop,
        [&](const QList<QSslError>& errors) { checkCertificate(*reply, errors, response); });
    QObject::connect(reply.get(), &QNetworkReply::uploadProgress, &loop, [&] {
        silence.start(limits_.silenceMs);
        if (waiting.isActive())
            waiting.start(waitingMs_);
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // Polled: the flag is set from another thread, which may not touch this one's objects.
    QTimer cancelPoll;
    QObject::connect(&cancelPoll, &QTimer::timeout, &loop, [&] {
        if (cancelled())
            stop(QStringLiteral("the sync was cancelled"), HttpFailure::Cancelled);
    });
    if (cancel_)
        cancelPoll.start(150);
    silence.start(limits_.silenceMs);
    deadline.start(limits_.deadlineMs);
    if (waitingNotice_)
        waiting.start(waitingMs_);
    if (!reply->isFinished())
        loop.exec();
    finish(*reply, stopped, response);
    return response;
}

} // namespace rolvane::carddav
