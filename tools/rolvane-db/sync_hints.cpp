// SPDX-License-Identifier: GPL-3.0-or-later
// The fingerprint is printed as `openssl x509 -fingerprint -sha256` prints it, so the user can
// compare it with the server's own before trusting it.
#include "sync_hints.h"

#include "carddav/http_client.h"
#include "carddav/server_url.h"
#include "carddav/sync_session.h"
#include "sync_arguments.h"

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

QString fileOption(const SyncArguments& a) {
    return a.file.isEmpty() ? QString() : QStringLiteral(" --file \"%1\"").arg(a.file);
}

QString noBook(const QString& path) {
    return QStringLiteral("There is no address book at \"%1\"; \"rolvane-db create\" makes one.")
        .arg(path);
}

// A book named by --file is named in the hint too, or the command it gives would link another.
QString notLinked(const SyncArguments& a) {
    QString command = QStringLiteral("rolvane-db sync add URL");
    if (!a.file.isEmpty())
        command += QStringLiteral(" --file '%1'").arg(a.file);
    return QStringLiteral("This book is not linked; \"%1\" links it.").arg(command);
}

// What the user reads at the end: the summary line, or why the sync stopped or did not start.
QString endWords(const SyncArguments& a, const QString& path, const carddav::SyncOutcome& outcome) {
    using carddav::SyncKind;
    const carddav::SyncSummary& summary = outcome.summary;
    const SyncKind kind = summary.stop.kind();
    if (!outcome.ran)
        return kind == SyncKind::NoBook      ? noBook(path)
               : kind == SyncKind::NotLinked ? notLinked(a)
                                             : summary.stop.words();
    if (summary.stop.ok())
        return summary.line();
    const QString& host = outcome.refusedHost;
    const QByteArray& certificate = outcome.untrustedCertificate;
    return QStringLiteral("The sync stopped: %1 (so far: %2)")
               .arg(summary.stop.words(), summary.line()) +
           (host.isEmpty() ? QString()
                           : QStringLiteral("\nTo follow it to %1, remove the link and add it "
                                            "again with --allow-host %1.")
                                 .arg(host)) +
           (certificate.isEmpty() ? QString()
                                  : QLatin1Char('\n') + certificateChangedHint(certificate));
}

} // namespace rolvane::tool
