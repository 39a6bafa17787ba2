// SPDX-License-Identifier: GPL-3.0-or-later
// Importing a contacts file into an address book: read once, stored in one transaction, so the
// book changes only at the commit. Shared by the set-up tool and the program; it prints and shows
// nothing, and says what happened as data.
#pragma once

#include "exchange/card.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace rolvane::exchange {

struct ImportRequest {
    QString file;  // the contacts file; "-" for standard input
    QString book;  // the address book, made when it does not exist
    QString table; // the table of an Access file; empty: Rolvane. Refused for other formats.
    bool keepDuplicates = false;
    // The Access reader forks a child that does not exec, which only a single-threaded caller
    // may do: a threaded one refuses Access files and points to the set-up tool instead.
    bool readsAccess = true;
};

// Told now and then how many contacts were read and how far into the file (-1: unknown);
// returns false to cancel.
using ImportProgress = std::function<bool(long long contacts, int percent)>;

struct ImportResult {
    enum class Outcome { Done, Failed, Cancelled };
    Outcome outcome = Outcome::Failed;
    QString failure;     // why, when Failed
    QString fileName;    // the file as a summary names it
    long long added = 0; // counting: the contacts the file holds
    long long alreadyThere = 0;
    long long warningCount = 0;
    QStringList warnings; // the first kKeptWarnings of them, each naming its file and line
    Unkept unkept;        // what the file held that the book has no place for
    bool madeBook = false;
    long long firstAdded = 0; // rowid of the first contact stored; 0 when none was

    bool done() const { return outcome == Outcome::Done; }
};

inline constexpr int kKeptWarnings = 1000;

// Reads the file without storing anything: `added` is the number of contacts it holds.
ImportResult countContacts(const ImportRequest& request, const ImportProgress& progress = {});

// Adds the file's contacts to the book, all or nothing; unless `keepDuplicates`, a contact whose
// texts are in the book already, or earlier in the file, is counted rather than added. A book
// that does not exist is built under a temporary name and appears only when complete.
ImportResult importContacts(const ImportRequest& request, const ImportProgress& progress = {});

} // namespace rolvane::exchange
