// SPDX-License-Identifier: GPL-3.0-or-later
// Names such as "localhost" count as this machine only when spelt so; anything else must be an
// address literal, so no resolver can point a plain HTTP link elsewhere.
#include "server_url.h"

#include <QHostAddress>

namespace rolvane::carddav {

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

int defaultPort(const QUrl& url) {
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80;
}

QString checkServerUrl(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty())
        return QStringLiteral("\"%1\" is not a web address.").arg(url.toString());
    if (!url.userInfo().isEmpty())
        return QStringLiteral("The address must not hold a user name or password; give the user "
                              "with --user and the password with --password-command.");
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return {};
    if (scheme == QLatin1String("http")) {
        if (isLoopbackHost(url.host()))
            return {};
        return QStringLiteral("Plain http:// is only for a server on this computer; use "
                              "https:// for %1.")
            .arg(url.host());
    }
    return QStringLiteral("The address must begin with https://.");
}

bool sameOrigin(const QUrl& a, const QUrl& b) {
    const int defaultA = a.scheme() == QLatin1String("https") ? 443 : 80;
    const int defaultB = b.scheme() == QLatin1String("https") ? 443 : 80;
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           a.port(defaultA) == b.port(defaultB);
}

std::optional<QUrl> resolveHref(const QUrl& base, const QString& href) {
    const QUrl relative(href, QUrl::StrictMode);
    if (!relative.isValid())
        return std::nullopt;
    const QUrl resolved = base.resolved(relative);
    if (!sameOrigin(base, resolved))
        return std::nullopt;
    return resolved;
}

QString displayUrl(const QUrl& url) {
    return url.toString(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
}

} // namespace rolvane::carddav
