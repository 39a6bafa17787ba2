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
struct SyncOutcome;
} // namespace rolvane::carddav

namespace rolvane::tool {

struct SyncArguments;

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

// " --file PATH" when the book is not the default one, for a command to print.
QString fileOption(const SyncArguments& a);
// There is no book at `path`, and how to make one.
QString noBook(const QString& path);
// The book is not linked, and the command that links it (naming --file's book).
QString notLinked(const SyncArguments& a);
// What the user reads at the end of a sync: the summary line, or why it stopped or did not start.
QString endWords(const SyncArguments& a, const QString& path, const carddav::SyncOutcome& outcome);

} // namespace rolvane::tool
