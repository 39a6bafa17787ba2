// SPDX-License-Identifier: GPL-3.0-or-later
// What a step of the sync, or the sync as a whole, came to: a kind that decisions follow and
// words for the user. A failure cannot be dropped silently: the type is [[nodiscard]].
#pragma once

#include <QString>

namespace rolvane::carddav {

struct HttpResponse;

enum class SyncKind {
    Done,
    // The book.
    NoBook,    // no file at the book's path
    DiskFull,  // the disk (or the user's quota) took no more
    ReadOnly,  // the book or its folder cannot be written
    Busy,      // another program held the book locked past the wait
    Book,      // any other failure to read or write the book
    TooNew,    // linked by a newer version of the program
    NotLinked, // the book has no link
    AlreadyLinked,
    SyncRunning, // another sync of the book holds its lock
    NoPassword,  // the link's password could not be had (no command or entry, keyring closed)
    // The server.
    CredentialsRefused, // 401
    AccessRefused,      // 403
    Network,            // no answer: refused, dropped, too large, silent, too slow
    RedirectRefused,    // sent on where we may not follow: another host, plain http, a loop
    OutcomeUnknown,     // a write was redirected: whether it landed is not known
    PreconditionFailed, // 412 where no merge can answer it
    NotCardDav,         // 405 or 501: the address does not take CardDAV's requests
    ServerError,        // 5xx, or 408/429: the server failed or is overloaded
    CollectionGone,     // the address book is gone there
    BadAnswer,          // an answer that could not be read, or one the sync has no use for
    // The sync itself.
    MassDelete, // it would delete most of the contacts on one side: stopped before that
    Cancelled,
};

class [[nodiscard]] SyncResult {
public:
    SyncResult() = default; // done
    SyncResult(SyncKind kind, QString words) : kind_(kind), words_(std::move(words)) {}

    bool ok() const { return kind_ == SyncKind::Done; }
    SyncKind kind() const { return kind_; }
    // Plain words on why; empty when done.
    const QString& words() const { return words_; }

private:
    SyncKind kind_ = SyncKind::Done;
    QString words_;
};

// The kind of an SQLite result code, extended or primary.
SyncKind sqliteKind(int code);
// The kind of an answer that was not what the request needed (status or failure).
SyncKind answerKind(const HttpResponse& response);
// For messages in logs and tests: "disk full", "network"...
const char* kindName(SyncKind kind);

} // namespace rolvane::carddav
