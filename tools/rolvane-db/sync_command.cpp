// SPDX-License-Identifier: GPL-3.0-or-later
// The network runs in a QCoreApplication's event loop; each subcommand opens the book itself, and
// a sync holds a lock file beside the book so that a second one says so instead of interleaving.
#include "sync_command.h"

#include "book_location.h"
#include "carddav/discovery.h"
#include "carddav/http_client.h"
#include "carddav/keyring.h"
#include "carddav/listing.h"
#include "carddav/password_command.h"
#include "carddav/redirect_hosts.h"
#include "carddav/server_url.h"
#include "carddav/sync_lock.h"
#include "carddav/sync_session.h"
#include "desktop_notice.h"
#include "stop_signal.h"
#include "sync_arguments.h"
#include "sync_hints.h"
#include "sync_machine_lines.h"
#include "terminal_password.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <memory>

namespace rolvane::tool {

namespace {

using namespace rolvane::carddav;

void out(const QString& text) {
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
}

int fail(const QString& text) {
    std::fputs(QStringLiteral("rolvane-db: %1\n").arg(text).toLocal8Bit().constData(), stderr);
    return 1;
}

QString openBook(const SyncArguments& a, SyncStore& store) {
    const QString path = bookPath(a.file);
    if (!QFileInfo::exists(path))
        return noBook(path);
    return store.open(path).words();
}

// The book's link; empty with `why` set when the book cannot be opened or has no link.
std::optional<Link> linkOf(const SyncArguments& a, SyncStore& store, QString& why) {
    if (why = openBook(a, store); !why.isEmpty())
        return std::nullopt;
    std::optional<Link> link;
    why = store.link(link).words();
    if (!link && why.isEmpty())
        why = notLinked(a);
    return link;
}

// At `sync add`: the command's password, or one typed for the keyring, which must answer before
// the user types anything.
std::optional<QString> newPassword(const SyncArguments& a, const QUrl& server, QString& why) {
    if (a.user.isEmpty())
        return QString();
    if (!a.passwordCommand.isEmpty())
        return runPasswordCommand(a.passwordCommand, why);
    if (why = keyringReachable(); !why.isEmpty())
        return std::nullopt;
    return askPassword(QStringLiteral("Password for %1 at %2: ").arg(a.user, keyringOrigin(server)),
                       why);
}

QString keepPassword(const SyncArguments& a, const QUrl& server, const QString& secret) {
    if (a.user.isEmpty())
        return {};
    const PasswordKey key = passwordKey(bookPath(a.file), server, a.user);
    return a.passwordCommand.isEmpty() ? storeKeyringPassword(key, secret)
                                       : storePasswordCommand(key, a.passwordCommand);
}

const AddressBook* choose(const Discovered& found, const SyncArguments& a, QString& why) {
    QStringList names;
    for (const AddressBook& b : found.books)
        names << QStringLiteral("  %1 (%2)").arg(b.name, displayUrl(b.url));
    if (!a.book.isEmpty()) {
        for (const AddressBook& b : found.books)
            if (b.name == a.book || displayUrl(b.url) == a.book || b.url.path() == a.book)
                return &b;
        why = QStringLiteral("No address book is called \"%1\". There are:\n%2")
                  .arg(a.book, names.join(QLatin1Char('\n')));
        return nullptr;
    }
    if (found.books.size() == 1)
        return &found.books.front();
    why = found.books.empty()
              ? QStringLiteral("The server has no address book; --create NAME makes one.")
              : QStringLiteral("The server has several address books; name one with --book:\n%1")
                    .arg(names.join(QLatin1Char('\n')));
    return nullptr;
}

// Discovery, the new address book and its first listing, through `client`. A book made on an
// earlier round (before a host was confirmed) is not made again.
bool reachBook(HttpClient& client, const QUrl& url, const SyncArguments& a,
               std::optional<AddressBook>& made, AddressBook& book, std::size_t& cards,
               QString& why) {
    const Discovered found = discover(client, url);
    if (!found.error.isEmpty() && found.books.empty() &&
        (a.create.isEmpty() || found.home.isEmpty())) {
        why = QStringLiteral("Could not find address books at %1: %2.")
                  .arg(displayUrl(url), found.error);
        return false;
    }
    if (!a.create.isEmpty() && !made) {
        if (found.home.isEmpty()) {
            why = QStringLiteral("The server does not say where new address books go.");
            return false;
        }
        AddressBook fresh;
        if (why = makeAddressBook(client, found.home, a.create, fresh); !why.isEmpty()) {
            why = QStringLiteral("Could not create the address book: %1.").arg(why);
            return false;
        }
        made = fresh;
    }
    if (made) {
        book = *made;
    } else if (const AddressBook* chosen = choose(found, a, why)) {
        book = *chosen;
    } else {
        return false;
    }
    Listing listing;
    if (const SyncResult listed = listMembers(client, book.url, {}, listing); !listed.ok()) {
        why = QStringLiteral("Could not list the address book: %1.").arg(listed.words());
        return false;
    }
    cards = listing.members.size();
    return true;
}

struct FoundBook {
    AddressBook book;
    std::size_t cards = 0;
};

// At `sync add --find`: every address book behind `url` with its cards, listed one by one.
bool findBooks(HttpClient& client, const QUrl& url, std::vector<FoundBook>& books, QString& why) {
    const Discovered found = discover(client, url);
    if (!found.error.isEmpty() && found.books.empty() && found.home.isEmpty()) {
        why = QStringLiteral("Could not find address books at %1: %2.")
                  .arg(displayUrl(url), found.error);
        return false;
    }
    if (found.books.empty() && found.home.isEmpty()) {
        why = QStringLiteral("The server has no address book and does not say where new ones go.");
        return false;
    }
    books.clear();
    for (const AddressBook& b : found.books) {
        Listing listing;
        if (const SyncResult listed = listMembers(client, b.url, {}, listing); !listed.ok()) {
            why = QStringLiteral("Could not list the address book \"%1\": %2.")
                      .arg(b.name, listed.words());
            return false;
        }
        books.push_back({b, listing.members.size()});
    }
    return true;
}

// Empty when the user lets the server send us on to `host`, else why not.
QString confirmHost(const SyncArguments& a, const QString& host) {
    const QString what = a.user.isEmpty()
                             ? QStringLiteral("Follow it there?")
                             : QStringLiteral("Send your user name and password there too?");
    const std::optional<bool> yes =
        a.machine
            ? std::nullopt
            : askYesNo(QStringLiteral("The server sends us on to %1. %2 [y/N] ").arg(host, what));
    if (!yes)
        return QStringLiteral("The server sends us on to %1, which is not where the address "
                              "points; give --allow-host %1 to go there too.")
            .arg(host);
    return *yes ? QString() : QStringLiteral("Not linked: %1 was not confirmed.").arg(host);
}

// How `sync add` ends: with --machine, a result line of `kind` (after the lines in `before`)
// on standard output; otherwise the words on standard error.
int addFailed(const SyncArguments& a, const char* kind, const QString& why,
              const QStringList& before = {}) {
    if (!a.machine)
        return fail(why);
    if (!before.isEmpty())
        printMachineLine(machineLine(before));
    printMachineLine(machineLine({QStringLiteral("result"), QString::fromLatin1(kind), why}));
    return 1;
}

int add(const SyncArguments& a) {
    const QUrl url(a.url, QUrl::StrictMode);
    if (const QString why = checkServerUrl(url); !why.isEmpty())
        return addFailed(a, "failed", why);
    SyncStore store;
    if (const QString why = openBook(a, store); !why.isEmpty())
        return addFailed(a, "failed", why);
    // Read before and again under the lock: a window that linked meanwhile has let it go.
    const auto alreadyLinked = [&store](QString& why) {
        std::optional<Link> linked;
        if (const SyncResult read = store.link(linked); !read.ok() || linked) {
            why = read.ok() ? QStringLiteral("This book is already linked; \"rolvane-db sync "
                                             "remove\" forgets that link.")
                            : read.words();
            return true;
        }
        return false;
    };
    QString why;
    if (alreadyLinked(why))
        return addFailed(a, "failed", why);
    // Two windows linking one book would each make an address book; a sync takes the same lock.
    SyncLock lock(bookPath(a.file));
    if (!lock.tryLock())
        return addFailed(a, "busy",
                         QStringLiteral("This book is being linked or synced by another window "
                                        "or command; try again once that has finished."));
    if (alreadyLinked(why))
        return addFailed(a, "failed", why);
    const std::optional<QString> secret = newPassword(a, url, why);
    if (!secret)
        // The dialog words a missing keyring for the window, where no option can be given.
        return addFailed(
            a, a.passwordCommand.isEmpty() && why == keyringReachable() ? "keyring" : "failed",
            why);
    QStringList hosts = a.allowHosts;
    std::optional<AddressBook> made;
    AddressBook book;
    std::size_t cards = 0;
    std::vector<FoundBook> found;
    // Each round may meet one more host to confirm; a server that names host after host is
    // stopped as a redirect loop would be.
    for (int round = 0;; ++round) {
        HttpClient client(url, a.user, *secret);
        client.confirmHosts(hosts);
        client.pinCertificate(a.certificate);
        client.setWaitingNotice(terminalWaitingNotice());
        if (a.find ? findBooks(client, url, found, why)
                   : reachBook(client, url, a, made, book, cards, why))
            break;
        if (const QString hint = addRefusalHint(client, url, !a.user.isEmpty(), a.certificate);
            !hint.isEmpty()) {
            const QByteArray& seen = client.untrustedCertificate();
            if (!seen.isEmpty() && a.certificate.isEmpty())
                return addFailed(a, "certificate", hint,
                                 {QStringLiteral("certificate"), fingerprintText(seen)});
            return addFailed(a, "failed", hint);
        }
        const QString host = client.refusedHost();
        if (host.isEmpty() || round >= HttpLimits().maxRedirects)
            return addFailed(a, "failed", why);
        if (why = confirmHost(a, host); !why.isEmpty())
            return addFailed(a, "redirect", why, {QStringLiteral("redirect"), host});
        hosts << host;
    }
    std::unordered_map<qint64, PackedTexts> rows;
    if (const SyncResult read = store.rows(rows); !read.ok())
        return addFailed(a, "failed", read.words());
    const std::size_t contacts = rows.size();
    rows = {};
    if (a.find) {
        for (const FoundBook& f : found) {
            if (a.machine)
                printMachineLine(machineLine({QStringLiteral("book"), displayUrl(f.book.url),
                                              QString::number(f.cards), f.book.name}));
            else
                out(QStringLiteral("  %1 (%2): %3 cards")
                        .arg(f.book.name, displayUrl(f.book.url))
                        .arg(f.cards));
        }
        const QString words = QStringLiteral("Found %1 address books; this book holds %2 contacts.")
                                  .arg(found.size())
                                  .arg(contacts);
        if (a.machine) {
            printMachineLine(machineLine({QStringLiteral("here"), QString::number(contacts)}));
            printMachineLine(
                machineLine({QStringLiteral("result"), QStringLiteral("found"), words}));
        } else {
            out(words);
        }
        return 0;
    }
    if (cards > 0 && contacts > 0 && !a.merge)
        return addFailed(a, "merge",
                         QStringLiteral("This book holds %1 contacts and the address book %2 "
                                        "cards; add --merge to sync them together (equal contacts "
                                        "are paired).")
                             .arg(contacts)
                             .arg(cards),
                         {QStringLiteral("contacts"), QString::number(contacts),
                          QStringLiteral("cards"), QString::number(cards)});
    // The sync starts at the address book, which a confirmed host may hold: what it needs is
    // kept by that address.
    if (!mayFollowHost(book.url.host(), url.host(), hosts))
        hosts << normalHost(url.host());
    if (why = keepPassword(a, book.url, *secret); !why.isEmpty())
        return addFailed(a, "failed", why);
    if (!a.certificate.isEmpty())
        if (why = storeCertificatePin(book.url, a.certificate); !why.isEmpty())
            return addFailed(a, "failed", why);
    if (!hosts.isEmpty())
        if (why = storeConfirmedHosts(book.url, hosts); !why.isEmpty())
            return addFailed(a, "failed", why);
    Link link;
    link.url = book.url.toString();
    link.user = a.user;
    link.name = book.name;
    link.version4 = book.version4;
    if (const SyncResult added = store.addLink(link); !added.ok())
        return addFailed(a, "failed", added.words());
    const QString linked =
        QStringLiteral("Linked to \"%1\" (%2). The first sync will send up to %3 contacts, fetch "
                       "up to %4 and pair those that are the same on both sides.")
            .arg(book.name, displayUrl(book.url))
            .arg(contacts)
            .arg(cards);
    if (a.machine) {
        printMachineLine(machineLine({QStringLiteral("linked"), book.name, displayUrl(book.url)}));
        printMachineLine(machineLine({QStringLiteral("result"), QStringLiteral("done"), linked}));
        return 0;
    }
    out(linked);
    if (a.file.isEmpty())
        out(QStringLiteral("Turn on automatic sync (every 15 minutes and after log-in) with: "
                           "systemctl --user enable --now rolvane-sync.timer"));
    else
        out(QStringLiteral("Sync it with: rolvane-db sync%1").arg(fileOption(a)));
    return 0;
}

// What a stopped sync asks of the user, told by the exit status; the man page lists them.
int exitStatus(SyncKind kind) {
    switch (kind) {
    case SyncKind::Done:
    case SyncKind::SyncRunning: // no failure: the timer's unit is not marked failed
        return 0;
    case SyncKind::CredentialsRefused:
    case SyncKind::AccessRefused:
    case SyncKind::NoPassword:
    case SyncKind::RedirectRefused:
        return 3; // the link needs the user: the password, access, or a host to confirm
    case SyncKind::Network:
    case SyncKind::ServerError:
    case SyncKind::OutcomeUnknown:
    case SyncKind::PreconditionFailed:
    case SyncKind::Busy:
        return 4; // nothing is lost: a later sync takes it up
    case SyncKind::Cancelled:
        return 5;
    default:
        return 1;
    }
}

int sync(const SyncArguments& a) {
    const QString path = bookPath(a.file);
    SyncSessionOptions options;
    options.sync.allowMassDelete = a.allowMassDelete;
    options.cancel = &stopRequested();
    setKeyringMayUnlock(!a.noUnlock);
    if (a.machine)
        options.sync.progress = [](const SyncProgress& p) { printMachineLine(progressLine(p)); };
    else
        options.waiting = terminalWaitingNotice();
    const SyncOutcome outcome = syncBook(path, options);
    const SyncSummary& summary = outcome.summary;
    const SyncKind kind = summary.stop.kind();
    const QString words = endWords(a, path, outcome);
    // Only what needs the user: an unreachable server is taken up by the next run.
    if (a.notify && (exitStatus(kind) == 1 || exitStatus(kind) == 3))
        notifyDesktop(QStringLiteral("Rolvane could not sync the address book"), words);
    if (a.machine) {
        for (const QString& warning : summary.warnings)
            printMachineLine(warningLine(warning));
        for (const QString& name : summary.conflicted)
            printMachineLine(conflictLine(name));
        printMachineLine(resultLine(summary, words));
        return exitStatus(kind);
    }
    if (kind == SyncKind::SyncRunning) {
        out(words);
        return 0;
    }
    if (!outcome.ran) {
        fail(words);
        return exitStatus(kind);
    }
    for (const QString& warning : summary.warnings)
        std::fputs(QStringLiteral("rolvane-db: %1\n").arg(warning).toLocal8Bit().constData(),
                   stderr);
    if (!summary.stop.ok()) {
        fail(words);
        return exitStatus(kind);
    }
    out(words);
    return 0;
}

int status(const SyncArguments& a) {
    SyncStore store;
    QString why;
    const std::optional<Link> link = linkOf(a, store, why);
    if (!link)
        return fail(why);
    out(QStringLiteral("Linked to \"%1\" (%2)%3.")
            .arg(link->name, link->url,
                 link->user.isEmpty() ? QString() : QStringLiteral(" as ") + link->user));
    out(link->lastSync.isEmpty()
            ? QStringLiteral("Not synced yet.")
            : QStringLiteral("Last sync %1: %2").arg(link->lastSync, link->lastResult));
    if (const QStringList hosts = confirmedHosts(QUrl(link->url)); !hosts.isEmpty())
        out(QStringLiteral("The server may send us on to: %1.")
                .arg(hosts.join(QStringLiteral(", "))));
    return 0;
}

int remove(const SyncArguments& a) {
    SyncStore store;
    QString why;
    const std::optional<Link> link = linkOf(a, store, why);
    if (!link)
        return fail(why);
    if (const SyncResult removed = store.removeLink(); !removed.ok())
        return fail(removed.words());
    if (!link->user.isEmpty())
        if (why = forgetPassword(passwordKey(bookPath(a.file), QUrl(link->url), link->user));
            !why.isEmpty())
            return fail(why);
    if (!confirmedHosts(QUrl(link->url)).isEmpty())
        if (why = storeConfirmedHosts(QUrl(link->url), {}); !why.isEmpty())
            return fail(why);
    out(QStringLiteral("Forgot the link to \"%1\"; the contacts stay in the book.")
            .arg(link->name));
    return 0;
}

} // namespace

QString syncUsage() {
    return QStringLiteral(
        "  rolvane-db sync add URL [--user NAME] [--password-command CMD]\n"
        "                          [--book NAME | --create NAME] [--merge]\n"
        "                          [--certificate-sha256 HEX] [--allow-host HOST]...\n"
        "                          [--file PATH]\n"
        "      Links the book with a CardDAV address book found at URL: the only one,\n"
        "      the one --book names, or a new one --create makes. CMD prints the\n"
        "      password on its first line; it is kept in ~/.config/rolvane, never in\n"
        "      the book. Without CMD the password is asked once and kept in the\n"
        "      desktop's keyring. Either is kept for this book and the server's\n"
        "      address alone: when the address in the book changes, no password is\n"
        "      sent. A book that holds contacts joins an address book\n"
        "      that holds cards only with --merge. HEX accepts a server whose\n"
        "      certificate does not verify (a self-signed one) by its SHA-256\n"
        "      fingerprint. The server may send us on to hosts of the address's own\n"
        "      domain; another host only when confirmed: asked on a terminal, or given\n"
        "      with --allow-host HOST (once for each). The password goes to those hosts\n"
        "      only.\n"
        "  rolvane-db sync [--allow-mass-delete] [--machine] [--notify] [--no-unlock]\n"
        "                  [--file PATH]\n"
        "      Sends what changed here, fetches what changed there; prints one summary\n"
        "      line, or with --machine tab-separated lines for a program to read.\n"
        "      --notify also shows a failure that needs you on the desktop;\n"
        "      --no-unlock leaves a locked keyring locked and stops instead.\n"
        "  rolvane-db sync status | remove [--file PATH]\n"
        "      Shows the link, the last sync and the hosts confirmed for it, or\n"
        "      forgets them and its password (the contacts stay).\n");
}

int runSyncCommand(const QStringList& arguments) {
    SyncArguments a;
    if (const QString why = parseSyncArguments(arguments, a); !why.isEmpty())
        return fail(why + QStringLiteral("\n\nUsage:\n") + syncUsage()), 2;
    int argc = 1;
    char name[] = "rolvane-db";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    switch (a.verb) {
    case SyncArguments::Verb::Help:
        std::fputs((QStringLiteral("Usage:\n") + syncUsage()).toLocal8Bit().constData(), stdout);
        return 0;
    case SyncArguments::Verb::Add:
        return add(a);
    case SyncArguments::Verb::Status:
        return status(a);
    case SyncArguments::Verb::Remove:
        return remove(a);
    case SyncArguments::Verb::Run:
        break;
    }
    return sync(a);
}

} // namespace rolvane::tool
