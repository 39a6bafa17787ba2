// SPDX-License-Identifier: GPL-3.0-or-later
// One identity per contact, never reused: a side table keyed by its own AUTOINCREMENT id that
// names the contact's rowid, kept by triggers. A rowid is reused once its row is deleted; an
// identity is not, so the window and the sync never take a new contact for a deleted one.
#pragma once

#include <QString>

namespace rolvane {

namespace sqlite {
class Connection;
}

// "[Rolvane Contact]": [Id] the identity, [Row] the contact's rowid. "[Rolvane Changes]" holds one
// [Count] that every insert, update and delete of a contact raises.
extern const char* const kIdentityTable;

// Inside a write transaction: the table and its triggers, made when missing, and every contact
// given an identity. When the identities no longer match the rows (renumbered), all are made
// anew: a stale one would name another contact. An SQLite result code.
int installContactIdentity(sqlite::Connection& db);

// Whether the triggers are all there (cheap: one look at the schema). Another tool that rebuilt
// the table dropped them with it.
bool contactIdentityInstalled(const sqlite::Connection& db);

// Whether every contact has exactly one identity and every identity a contact. A `.dump` and
// reload, or a VACUUM, may renumber rowids without any trigger firing; the identities then name
// rowids past the end. Reads every row: for the sync, not for opening the window.
bool contactIdentitySound(const sqlite::Connection& db);

} // namespace rolvane
