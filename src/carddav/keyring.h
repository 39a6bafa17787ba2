// SPDX-License-Identifier: GPL-3.0-or-later
// Passwords kept by the desktop's Secret Service (through libsecret), keyed by the book, the
// server's origin and the user: two books linked to one account keep their own entries, and an
// entry serves only the origin it was given for, whatever the book's link says later.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

namespace rolvane::carddav {

// "scheme://host:port" with the host in lower case and the port always written: one key for
// every spelling of the same origin.
QString keyringOrigin(const QUrl& server);

// Whose password: one book's link to one account.
struct PasswordKey {
    QString book;   // the book's canonical absolute path
    QString origin; // keyringOrigin() of the link's address
    QString user;
};
PasswordKey passwordKey(const QString& bookPath, const QUrl& server, const QString& user);

// False: a locked keyring is not asked to unlock (no prompt comes up); the lookup fails and says
// the keyring is locked. For syncs the user did not start.
void setKeyringMayUnlock(bool may);
// What a lookup says when it was not let unlock the keyring.
QString keyringLockedWords();

// True when this build can reach a Secret Service at all (it was built with libsecret).
bool keyringBuilt();

// The password kept for `key`. Empty with `why` set when the Secret Service cannot be reached or
// holds none; `why` never holds the password.
std::optional<QString> keyringPassword(const PasswordKey& key, QString& why);

// Keeps `password` for `key`, replacing an older one. Empty on success, else why not.
QString storeKeyringPassword(const PasswordKey& key, const QString& password);

// Forgets the password kept for `key`, if the Secret Service answers.
void forgetKeyringPassword(const PasswordKey& key);

// "user at origin" for each password the keyring keeps for `book`; empty when it cannot be asked.
QStringList keyringAccounts(const QString& book);

// The password of the earlier form, kept for the origin and user alone and so shared by every
// book linked to that account; `why` as for keyringPassword().
std::optional<QString> sharedKeyringPassword(const QUrl& server, const QString& user, QString& why);

// Whether a Secret Service answers; empty when it does, else the message that says it does not.
QString keyringReachable();

} // namespace rolvane::carddav
