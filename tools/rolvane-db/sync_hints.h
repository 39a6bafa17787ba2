// SPDX-License-Identifier: GPL-3.0-or-later
// What a refused `sync add` or `sync` asks of the user, told by what the client saw (the
// certificate, a demand for a user name), and the line a terminal shows while a server is silent.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>

namespace rolvane::carddav {
class HttpClient;
}

namespace rolvane::tool {

// At `sync add` to `url`: the option that answers the client's refusal (a certificate that did not
// verify, a server that wants a user name none was given for), or empty when neither happened.
// `pinned` is the fingerprint --certificate-sha256 gave, if any.
QString addRefusalHint(const carddav::HttpClient& client, const QUrl& url, bool userGiven,
                       const QByteArray& pinned);

// After a sync that met a certificate that did not verify: how to accept it.
QString certificateChangedHint(const QByteArray& sha256);

// Prints "Waiting for HOST to answer..." when standard error is a terminal; empty elsewhere, so
// that logs and pipes get only what happened.
std::function<void(const QUrl&)> terminalWaitingNotice();

} // namespace rolvane::tool
