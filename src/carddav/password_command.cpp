// SPDX-License-Identifier: GPL-3.0-or-later
// One line per book, origin and user: the three percent-encoded with a space between them, a
// tab, then the command as typed. Lines of the earlier form have no book (origin and user only);
// the certificate pins are kept that way, the confirmed hosts by link.
#include "password_command.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

namespace rolvane::carddav {

namespace {

// The earlier form's key, as it spelled the origin.
QByteArray keyOf(const QUrl& server, const QString& user) {
    const QUrl origin = server.adjusted(QUrl::RemovePath | QUrl::RemoveQuery |
                                        QUrl::RemoveFragment | QUrl::RemoveUserInfo);
    return QUrl::toPercentEncoding(origin.toString()) + ' ' + QUrl::toPercentEncoding(user);
}

QByteArray keyOf(const PasswordKey& key) {
    return QUrl::toPercentEncoding(key.book) + ' ' + QUrl::toPercentEncoding(key.origin) + ' ' +
           QUrl::toPercentEncoding(key.user);
}

QByteArray linkKey(const QUrl& link) {
    return QUrl::toPercentEncoding(link.toString(QUrl::RemoveUserInfo));
}

QString fileBeside(const QString& name) {
    return QFileInfo(passwordCommandsFile()).absolutePath() + QLatin1Char('/') + name;
}

QList<QByteArray> readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().split('\n');
}

} // namespace

QString passwordCommandsFile() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/rolvane/sync-passwords");
}

namespace {

// Replaces the line of `key` in `path` (made readable by its owner only) with `value`, or
// removes it when there is no value.
QString storeLine(const QString& path, const QByteArray& key,
                  const std::optional<QByteArray>& value) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("Could not create the folder \"%1\".").arg(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QByteArray text;
    for (const QByteArray& line : readLines(path))
        if (!line.isEmpty() && !line.startsWith(key + '\t'))
            text += line + '\n';
    if (value)
        text += key + '\t' + *value + '\n';
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
        file.write(text) != text.size() || !file.commit())
        return QStringLiteral("Could not write \"%1\": %2.").arg(path, file.errorString());
    return {};
}

std::optional<QByteArray> findLine(const QString& path, const QByteArray& key) {
    for (const QByteArray& line : readLines(path))
        if (line.startsWith(key + '\t'))
            return line.mid(key.size() + 1);
    return std::nullopt;
}

} // namespace

QString storePasswordCommand(const PasswordKey& key, const QString& command) {
    return storeLine(passwordCommandsFile(), keyOf(key), command.toUtf8());
}

std::optional<QString> passwordCommand(const PasswordKey& key) {
    const std::optional<QByteArray> command = findLine(passwordCommandsFile(), keyOf(key));
    return command ? std::optional<QString>(QString::fromUtf8(*command)) : std::nullopt;
}

std::optional<QString> sharedPasswordCommand(const QUrl& server, const QString& user) {
    const std::optional<QByteArray> command = findLine(passwordCommandsFile(), keyOf(server, user));
    return command ? std::optional<QString>(QString::fromUtf8(*command)) : std::nullopt;
}

QString forgetPassword(const PasswordKey& key) {
    forgetKeyringPassword(key);
    if (!passwordCommand(key))
        return {};
    return storeLine(passwordCommandsFile(), keyOf(key), std::nullopt);
}

QString storeConfirmedHosts(const QUrl& link, const QStringList& hosts) {
    return storeLine(fileBeside(QStringLiteral("sync-hosts")), linkKey(link),
                     hosts.isEmpty() ? std::nullopt
                                     : std::optional(hosts.join(QLatin1Char(' ')).toUtf8()));
}

QStringList confirmedHosts(const QUrl& link) {
    const QByteArray line =
        findLine(fileBeside(QStringLiteral("sync-hosts")), linkKey(link)).value_or("");
    return QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString storeCertificatePin(const QUrl& server, const QByteArray& sha256) {
    return storeLine(fileBeside(QStringLiteral("sync-certificates")), keyOf(server, {}),
                     sha256.toHex());
}

QByteArray certificatePin(const QUrl& server) {
    return QByteArray::fromHex(
        findLine(fileBeside(QStringLiteral("sync-certificates")), keyOf(server, {})).value_or(""));
}

namespace {

// "user at origin" for each command kept for `book`.
QStringList commandAccounts(const QString& book) {
    QStringList accounts;
    for (const QByteArray& line : readLines(passwordCommandsFile())) {
        const QList<QByteArray> key = line.left(line.indexOf('\t')).split(' ');
        if (key.size() == 3 && QUrl::fromPercentEncoding(key[0]) == book)
            accounts << QStringLiteral("%1 at %2")
                            .arg(QUrl::fromPercentEncoding(key[2]),
                                 QUrl::fromPercentEncoding(key[1]));
    }
    return accounts;
}

} // namespace

std::optional<QString> keptPassword(const QString& bookPath, const QUrl& server,
                                    const QString& user, QString& why) {
    if (user.isEmpty())
        return QString();
    const PasswordKey key = passwordKey(bookPath, server, user);
    if (const std::optional<QString> command = passwordCommand(key))
        return runPasswordCommand(*command, why);
    QString missing;
    if (std::optional<QString> secret = keyringPassword(key, missing))
        return secret;
    if (missing == keyringLockedWords()) {
        why = missing;
        return std::nullopt;
    }
    // An entry of the earlier form served every book linked to its account. The book that uses
    // it copies it to its own key, and it stays for the other books: which books still rely on
    // it cannot be known (they are files anywhere), and dropping it would cut them off.
    if (const std::optional<QString> command = sharedPasswordCommand(server, user)) {
        if (why = storePasswordCommand(key, *command); !why.isEmpty())
            return std::nullopt;
        return runPasswordCommand(*command, why);
    }
    QString ignored;
    if (std::optional<QString> secret = sharedKeyringPassword(server, user, ignored)) {
        // One that cannot be copied is simply carried over again next time.
        storeKeyringPassword(key, *secret);
        return secret;
    }
    const QStringList kept = commandAccounts(key.book) + keyringAccounts(key.book);
    why = kept.isEmpty()
              ? missing
              : QStringLiteral("This book's link now points to %1 as %2, but its password was "
                               "kept for %3: it is not sent anywhere else. If the address book "
                               "really moved, link the book again (\"rolvane-db sync remove\", "
                               "then \"sync add\").")
                    .arg(key.origin, key.user, kept.join(QStringLiteral(", ")));
    return std::nullopt;
}

std::optional<QString> runPasswordCommand(const QString& command, QString& why) {
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    if (!process.waitForFinished(120'000)) {
        process.kill();
        process.waitForFinished();
        why = QStringLiteral("The password command did not finish.");
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        why =
            QStringLiteral("The password command failed (exit status %1).").arg(process.exitCode());
        return std::nullopt;
    }
    const QByteArray out = process.readAllStandardOutput();
    QByteArray line = out.left(out.indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty()) {
        why = QStringLiteral("The password command printed no password.");
        return std::nullopt;
    }
    return QString::fromUtf8(line);
}

} // namespace rolvane::carddav
