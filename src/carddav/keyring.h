// SPDX-License-Identifier: GPL-3.0-or-later
// Passwords kept by the desktop's Secret Service (through libsecret), keyed by the server's
// origin and the user, so that two links to one account share one entry.
#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace rolvane::carddav {

// "scheme://host:port" with the host in lower case and the port always written: one key for
// every spelling of the same origin.
QString keyringOrigin(const QUrl& server);

// True when this build can reach a Secret Service at all (it was built with libsecret).
bool keyringBuilt();

// The password kept for `user` at `server`'s origin. Empty with `why` set when the Secret Service
// cannot be reached or holds none; `why` never holds the password.
std::optional<QString> keyringPassword(const QUrl& server, const QString& user, QString& why);

// Keeps `password` for `user` at `server`'s origin, replacing an older one. Empty on success,
// else why not.
QString storeKeyringPassword(const QUrl& server, const QString& user, const QString& password);

// Whether a Secret Service answers; empty when it does, else the message that says it does not.
QString keyringReachable();

} // namespace rolvane::carddav
