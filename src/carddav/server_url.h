// SPDX-License-Identifier: GPL-3.0-or-later
// Which addresses the sync talks to: never a URL with credentials in it, plain HTTP only on this
// machine, and only hrefs on the address book's own origin.
#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace rolvane::carddav {

// Empty when the sync may use `url`, else why not in plain words.
QString checkServerUrl(const QUrl& url);

// "localhost" as spelt, or a loopback address literal.
bool isLoopbackHost(const QString& host);
// 443 for https, else 80.
int defaultPort(const QUrl& url);

// Scheme, host and port alike.
bool sameOrigin(const QUrl& a, const QUrl& b);

// `href` (absolute or a path) resolved against `base`; empty when it leaves `base`'s origin.
std::optional<QUrl> resolveHref(const QUrl& base, const QString& href);

// The URL as text for messages: no user information, no query.
QString displayUrl(const QUrl& url);

} // namespace rolvane::carddav
