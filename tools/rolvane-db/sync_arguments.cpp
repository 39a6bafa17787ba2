// SPDX-License-Identifier: GPL-3.0-or-later
// Options may come in any order after the subcommand; each is given at most once.
#include "sync_arguments.h"

#include "carddav/redirect_hosts.h"

#include <QSet>

namespace rolvane::tool {

QString parseSyncArguments(const QStringList& arguments, SyncArguments& out) {
    qsizetype i = 0;
    if (!arguments.isEmpty()) {
        const QString& first = arguments.front();
        if (first == QLatin1String("add"))
            out.verb = SyncArguments::Verb::Add;
        else if (first == QLatin1String("status"))
            out.verb = SyncArguments::Verb::Status;
        else if (first == QLatin1String("remove"))
            out.verb = SyncArguments::Verb::Remove;
        i = out.verb == SyncArguments::Verb::Run ? 0 : 1;
    }
    const bool add = out.verb == SyncArguments::Verb::Add;
    QSet<QString> seen;
    for (; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            out.verb = SyncArguments::Verb::Help;
            return {};
        }
        if (add && arg == QLatin1String("--allow-host")) {
            const QString host = rolvane::carddav::normalHost(arguments.value(++i));
            if (host.isEmpty())
                return QStringLiteral("--allow-host needs the name of a host");
            out.allowHosts << host; // may be given once for each host
            continue;
        }
        if (seen.contains(arg))
            return QStringLiteral("%1 is given twice").arg(arg);
        seen.insert(arg);
        if (add && arg == QLatin1String("--certificate-sha256")) {
            QString hex = i + 1 < arguments.size() ? arguments[++i] : QString();
            hex.remove(QLatin1Char(':'));
            out.certificate = QByteArray::fromHex(hex.toLatin1());
            if (hex.size() != 64 || out.certificate.toHex() != hex.toLower().toLatin1())
                return QStringLiteral("--certificate-sha256 needs the 64 hexadecimal digits of "
                                      "the certificate's SHA-256 fingerprint");
            continue;
        }
        QString* value = nullptr;
        if (arg == QLatin1String("--file"))
            value = &out.file;
        else if (add && arg == QLatin1String("--user"))
            value = &out.user;
        else if (add && arg == QLatin1String("--password-command"))
            value = &out.passwordCommand;
        else if (add && arg == QLatin1String("--book"))
            value = &out.book;
        else if (add && arg == QLatin1String("--create"))
            value = &out.create;
        if (value) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
                return QStringLiteral("%1 needs a value").arg(arg);
            *value = arguments[++i];
        } else if (add && arg == QLatin1String("--merge")) {
            out.merge = true;
        } else if (out.verb == SyncArguments::Verb::Run &&
                   arg == QLatin1String("--allow-mass-delete")) {
            out.allowMassDelete = true;
        } else if ((add || out.verb == SyncArguments::Verb::Run) &&
                   arg == QLatin1String("--machine")) {
            out.machine = true;
        } else if (add && arg == QLatin1String("--find")) {
            out.find = true;
        } else if (out.verb == SyncArguments::Verb::Run && arg == QLatin1String("--notify")) {
            out.notify = true;
        } else if (out.verb == SyncArguments::Verb::Run && arg == QLatin1String("--no-unlock")) {
            out.noUnlock = true;
        } else if (add && out.url.isEmpty() && !arg.startsWith(QLatin1Char('-'))) {
            out.url = arg;
        } else {
            return QStringLiteral("unexpected argument \"%1\"").arg(arg);
        }
    }
    if (add && out.url.isEmpty())
        return QStringLiteral("sync add needs the address of the server");
    if (!out.book.isEmpty() && !out.create.isEmpty())
        return QStringLiteral("give --book or --create, not both");
    return {};
}

} // namespace rolvane::tool
