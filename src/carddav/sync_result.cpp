// SPDX-License-Identifier: GPL-3.0-or-later
// SQLite result codes and HTTP answers sorted into the kinds a caller decides by: what the user
// can do about it (free space, type the password again, wait) differs between them.
#include "sync_result.h"

#include "http_client.h"

#include <sqlite3.h>

namespace rolvane::carddav {

SyncKind sqliteKind(int code) {
    switch (code & 0xff) {
    case SQLITE_FULL:
        return SyncKind::DiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return SyncKind::ReadOnly;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return SyncKind::Busy;
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return SyncKind::Done;
    default:
        return SyncKind::Book;
    }
}

SyncKind answerKind(const HttpResponse& response) {
    switch (response.failure) {
    case HttpFailure::None:
        break;
    case HttpFailure::Network:
    case HttpFailure::TooLarge:
    case HttpFailure::Silent:
        return SyncKind::Network;
    case HttpFailure::Redirect:
        return SyncKind::RedirectRefused;
    case HttpFailure::OutcomeUnknown:
        return SyncKind::OutcomeUnknown;
    case HttpFailure::Cancelled:
        return SyncKind::Cancelled;
    }
    const int s = response.status;
    if (s == 0)
        return SyncKind::Network;
    if (s == 401 || s == 407)
        return SyncKind::CredentialsRefused;
    if (s == 403)
        return SyncKind::AccessRefused;
    if (s == 412)
        return SyncKind::PreconditionFailed;
    if (s == 405 || s == 501)
        return SyncKind::NotCardDav;
    if (s >= 500 || s == 408 || s == 429)
        return SyncKind::ServerError;
    if (s == 404 || s == 410)
        return SyncKind::CollectionGone;
    return SyncKind::BadAnswer;
}

const char* kindName(SyncKind kind) {
    switch (kind) {
    case SyncKind::Done:
        return "done";
    case SyncKind::NoBook:
        return "no book";
    case SyncKind::DiskFull:
        return "disk full";
    case SyncKind::ReadOnly:
        return "read-only";
    case SyncKind::Busy:
        return "busy";
    case SyncKind::Book:
        return "book";
    case SyncKind::TooNew:
        return "too new";
    case SyncKind::NotLinked:
        return "not linked";
    case SyncKind::AlreadyLinked:
        return "already linked";
    case SyncKind::SyncRunning:
        return "sync running";
    case SyncKind::NoPassword:
        return "no password";
    case SyncKind::CredentialsRefused:
        return "credentials refused";
    case SyncKind::AccessRefused:
        return "access refused";
    case SyncKind::Network:
        return "network";
    case SyncKind::RedirectRefused:
        return "redirect refused";
    case SyncKind::OutcomeUnknown:
        return "outcome unknown";
    case SyncKind::PreconditionFailed:
        return "precondition failed";
    case SyncKind::NotCardDav:
        return "not CardDAV";
    case SyncKind::ServerError:
        return "server error";
    case SyncKind::CollectionGone:
        return "collection gone";
    case SyncKind::BadAnswer:
        return "bad answer";
    case SyncKind::MassDelete:
        return "mass delete";
    case SyncKind::Cancelled:
        return "cancelled";
    }
    return "?";
}

} // namespace rolvane::carddav
