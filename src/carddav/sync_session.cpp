// SPDX-License-Identifier: GPL-3.0-or-later
// The link is read once to say "not linked" before a lock file is made beside a book that has
// none, and the sync reads it again under the lock: another sync may have moved its token on.
#include "sync_session.h"

#include "password_command.h"
#include "sync_lock.h"

#include <QDateTime>
#include <QFileInfo>

namespace rolvane::carddav {

namespace {

SyncOutcome notRun(SyncResult why) {
    SyncOutcome outcome;
    outcome.summary.stop = std::move(why);
    return outcome;
}

} // namespace

SyncOutcome syncBook(const QString& bookPath, const SyncSessionOptions& options) {
    if (!QFileInfo::exists(bookPath))
        return notRun({SyncKind::NoBook,
                       QStringLiteral("There is no address book at \"%1\".").arg(bookPath)});
    SyncStore store;
    if (SyncResult why = store.open(bookPath); !why.ok())
        return notRun(std::move(why));
    std::optional<Link> link;
    if (SyncResult why = store.link(link); !why.ok())
        return notRun(std::move(why));
    if (!link)
        return notRun({SyncKind::NotLinked, QStringLiteral("This book is not linked.")});
    SyncLock lock(bookPath);
    if (!lock.tryLock())
        return notRun({SyncKind::SyncRunning,
                       QStringLiteral("A sync of this book is already running, so this one did "
                                      "nothing.")});
    if (SyncResult why = store.link(link); !why.ok())
        return notRun(std::move(why));
    if (!link)
        return notRun({SyncKind::NotLinked, QStringLiteral("This book is not linked.")});

    const QUrl url(link->url);
    QString why;
    const std::optional<QString> secret = keptPassword(bookPath, url, link->user, why);
    if (!secret) {
        // Kept, so Status says why the syncs on their own did nothing (a locked keyring).
        (void)store.saveResult(QDateTime::currentDateTime().toString(Qt::ISODate), why);
        return notRun({SyncKind::NoPassword, why});
    }
    HttpClient client(url, link->user, *secret, options.limits);
    client.pinCertificate(certificatePin(url));
    client.confirmHosts(confirmedHosts(url));
    client.setCancel(options.cancel);
    if (options.transport)
        client.setTransport(options.transport);
    if (options.waiting)
        client.setWaitingNotice(options.waiting);

    SyncOutcome outcome;
    outcome.ran = true;
    outcome.summary = runSync(store, client, *link, options.sync);
    outcome.refusedHost = client.refusedHost();
    outcome.untrustedCertificate = client.untrustedCertificate();
    const SyncResult& stop = outcome.summary.stop;
    const SyncResult stored = store.saveResult(QDateTime::currentDateTime().toString(Qt::ISODate),
                                               stop.ok() ? outcome.summary.line() : stop.words());
    const SyncResult kept = store.keepConflicts(outcome.summary.conflictedContacts);
    // A sync that stopped already says why; the book failing again adds nothing to that.
    if (!stored.ok() && stop.ok())
        outcome.summary.warnings << stored.words();
    else if (!kept.ok() && stop.ok())
        outcome.summary.warnings << kept.words();
    return outcome;
}

} // namespace rolvane::carddav
