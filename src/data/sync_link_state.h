// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the book is linked for the sync, read from the table the sync keeps in the book, so a
// window can tell without the sync's own code (and the network library it brings).
#pragma once

#include <QString>
#include <QStringList>

namespace rolvane {

// The sync's link table; the sync (src/carddav) creates and writes it, this only reads it.
inline constexpr char kSyncLinkTable[] = "Rolvane Sync Link";
// What a conflict line says after its label, in the note of a contact both sides changed.
inline constexpr char kConflictWords[] = " on this computer before the server's change: ";

struct [[nodiscard]] SyncLinkState {
    enum class Kind {
        NotLinked,  // no link, or no book at the path
        Linked,     // the texts below hold the link
        Unreadable, // the book could not be read; `why` holds the engine's words
    };
    Kind kind = Kind::NotLinked;
    QString name, url, user, lastSync, lastResult;
    // The contacts whose note still holds a conflict line, by name, from the sync's record.
    QStringList conflicted;
    QString why;
};

// Opens the book read-only for the moment it takes; never writes or creates it.
SyncLinkState readSyncLink(const QString& bookPath);

} // namespace rolvane
