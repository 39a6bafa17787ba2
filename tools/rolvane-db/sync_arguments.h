// SPDX-License-Identifier: GPL-3.0-or-later
// The arguments of rolvane-db sync and its subcommands.
#pragma once

#include <QString>
#include <QStringList>

namespace rolvane::tool {

struct SyncArguments {
    enum class Verb { Run, Add, Status, Remove, Help } verb = Verb::Run;
    QString url, user, passwordCommand, book, create, file;
    QByteArray certificate; // SHA-256 of the server's certificate, from --certificate-sha256
    QStringList allowHosts; // hosts of other domains the server may send us on to, normalised
    bool merge = false;
    bool allowMassDelete = false;
    bool machine = false;  // tab-separated lines on stdout for a program to read
    bool find = false;     // sync add: only lists the address books found, links nothing
    bool notify = false;   // a failure that needs the user also shows on the desktop
    bool noUnlock = false; // a locked keyring is not asked to unlock: no prompt comes up
};

// Empty on success, else what is wrong with `arguments`.
QString parseSyncArguments(const QStringList& arguments, SyncArguments& out);

} // namespace rolvane::tool
