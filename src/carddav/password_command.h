// SPDX-License-Identifier: GPL-3.0-or-later
// The command whose first line of output is a link's password. It is kept in the user's own
// configuration (never in the book, which others may be able to write) for the book, the origin
// and the user, and run for each sync.
#pragma once

#include "keyring.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

namespace rolvane::carddav {

// $XDG_CONFIG_HOME/rolvane/sync-passwords, or ~/.config/rolvane/sync-passwords.
QString passwordCommandsFile();

// Stores `command` for `key`, replacing an older one; the file is readable by its owner only.
// Empty on success, else why not.
QString storePasswordCommand(const PasswordKey& key, const QString& command);

// The command stored for `key`, if any.
std::optional<QString> passwordCommand(const PasswordKey& key);

// The command of the earlier form, stored for the server's origin and `user` alone and so shared
// by every book linked to that account.
std::optional<QString> sharedPasswordCommand(const QUrl& server, const QString& user);

// The password of the link of the book at `bookPath` to `server` as `user`: its own command's,
// else its own keyring entry, else one of the earlier, shared form, which is then copied to the
// book's key. Empty with `why` set when there is none, or only for another origin or user: a
// link whose address was changed in the book gets no password. An empty user needs none.
std::optional<QString> keptPassword(const QString& bookPath, const QUrl& server,
                                    const QString& user, QString& why);

// Forgets the command and keyring entry of `key`. Empty on success, else why not.
QString forgetPassword(const PasswordKey& key);

// The SHA-256 of the certificate (DER) the user accepted for the server's origin, kept beside the
// password commands (sync-certificates) for the same reason; empty when none.
QString storeCertificatePin(const QUrl& server, const QByteArray& sha256);
QByteArray certificatePin(const QUrl& server);

// The hosts of other domains the user confirmed at `sync add` for the link to the address book
// `link` (sync-hosts, beside the password commands): a host in the book could steer the password
// away. Storing an empty list forgets them.
QString storeConfirmedHosts(const QUrl& link, const QStringList& hosts);
QStringList confirmedHosts(const QUrl& link);

// Runs `command` with /bin/sh and returns the first line it printed; empty with `why` set when
// it failed. The password never appears in `why`.
std::optional<QString> runPasswordCommand(const QString& command, QString& why);

} // namespace rolvane::carddav
