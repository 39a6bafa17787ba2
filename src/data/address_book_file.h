// SPDX-License-Identifier: GPL-3.0-or-later
// The address book file: creating a new one, and bringing an older one up to the current schema.
// Only the set-up tool and the tests create files; the record source prepares what it opens.
#pragma once

#include "source_notice.h"

#include <QString>
#include <functional>

namespace rolvane {

namespace sqlite {
class Connection;
}

// The schema this program writes, kept in the file as PRAGMA user_version. Version 1 indexes the
// last names in the book's collation and records the collator's version; version 0 (no number)
// is the first schema, with every comparison in SQLite's NOCASE. Version 2 gives every contact an
// identity that is never reused (contact_identity.h).
inline constexpr int kSchemaVersion = 2;

// Fills a book still under its temporary name; empty on success, else why it failed.
using BookFiller = std::function<QString(const QString& path)>;

// Creates `path` (not its folder) with the contact table, filled by `fill` when given. The book is
// made under a temporary name in the same folder and linked into place only when complete, so
// another file that appears at `path` meanwhile is never touched, and a failure leaves nothing
// behind; what earlier builds left when they were killed is removed. Returns a problem of kind
// None on success, else why it failed.
BookProblem createAddressBook(const QString& path, const BookFiller& fill = {});

// Brings a book opened for writing up to the current schema before its first query: a book of
// schema 0 gets the collated index (its rows and rowids untouched), and an index built by another
// version of the collator is rebuilt. Each in one transaction. A read-only book, or one another
// program holds locked, is used as it is. Empty on success, else the engine's words for the
// failure; the book is left as it was.
QString prepareAddressBook(sqlite::Connection& db);

} // namespace rolvane
