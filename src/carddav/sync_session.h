// SPDX-License-Identifier: GPL-3.0-or-later
// One sync of a book as a program runs it, from the book's path alone: the sync lock, the link,
// the password and the server's trust kept for it, the sync, its result stored in the book.
// Touches no GUI and needs no event loop of the caller's: a worker thread may run it.
#pragma once

#include "http_client.h"
#include "sync_engine.h"
#include "sync_result.h"

#include <QString>
#include <atomic>

namespace rolvane::carddav {

struct SyncSessionOptions {
    // Mass deletes, and the progress callback (called on the thread that runs the sync).
    SyncOptions sync;
    // Set from any thread to stop the sync: no request is sent after it, one under way is
    // aborted within a fifth of a second, and the sync ends with kind Cancelled.
    const std::atomic<bool>* cancel = nullptr;
    HttpLimits limits;
    // When set, called once for each request the server has not begun to answer within a few
    // seconds (on the thread that runs the sync).
    std::function<void(const QUrl&)> waiting;
    // When set, every request goes here instead of the network (a model server in tests).
    HttpClient::Transport transport;
};

struct [[nodiscard]] SyncOutcome {
    // What was done; summary.stop says why the sync did not start or where it stopped.
    SyncSummary summary;
    bool ran = false;    // it got past the book, lock and password: the counts are the run's
    QString refusedHost; // a host a redirect led to that is not confirmed for the link
    QByteArray untrustedCertificate; // SHA-256 of a certificate that did not verify, not pinned
};

SyncOutcome syncBook(const QString& bookPath, const SyncSessionOptions& options);

} // namespace rolvane::carddav
