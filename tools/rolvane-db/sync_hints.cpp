// SPDX-License-Identifier: GPL-3.0-or-later
// The fingerprint is printed as `openssl x509 -fingerprint -sha256` prints it, so the user can
// compare it with the server's own before trusting it.
#include "sync_hints.h"

#include "carddav/http_client.h"
#include "carddav/server_url.h"

#include <cstdio>
#include <unistd.h>

namespace rolvane::tool {

QString addRefusalHint(const carddav::HttpClient& client, const QUrl& url, bool userGiven,
                       const QByteArray& pinned) {
    if (const QByteArray& seen = client.untrustedCertificate(); !seen.isEmpty()) {
        const QString fingerprint = carddav::fingerprintText(seen);
        if (!pinned.isEmpty())
            return QStringLiteral("The certificate of %1 is not the one --certificate-sha256 "
                                  "names: its SHA-256 fingerprint is %2.")
                .arg(url.host(), fingerprint);
        return QStringLiteral("The certificate of %1 could not be verified; its SHA-256 "
                              "fingerprint is %2. If that is your server's own certificate "
                              "(\"openssl x509 -noout -fingerprint -sha256 -in CERTIFICATE\" on "
                              "the server shows it), run sync add again with "
                              "--certificate-sha256 %2.")
            .arg(url.host(), fingerprint);
    }
    if (!userGiven && client.askedForCredentials())
        return QStringLiteral("The server at %1 asks for a user name and password, and none was "
                              "given; give the user name with --user NAME.")
            .arg(carddav::displayUrl(url));
    return {};
}

QString certificateChangedHint(const QByteArray& sha256) {
    return QStringLiteral("If %1 is the fingerprint of your server's own certificate, remove the "
                          "link and add it again with --certificate-sha256 %1.")
        .arg(carddav::fingerprintText(sha256));
}

std::function<void(const QUrl&)> terminalWaitingNotice() {
    if (isatty(STDERR_FILENO) != 1)
        return {};
    return [](const QUrl& url) {
        std::fputs(QStringLiteral("Waiting for %1 to answer...\n")
                       .arg(url.host())
                       .toLocal8Bit()
                       .constData(),
                   stderr);
    };
}

} // namespace rolvane::tool
