// SPDX-License-Identifier: GPL-3.0-or-later
// One line per origin and user: both percent-encoded, a tab, then the command as typed. The
// certificate pins and confirmed hosts are kept the same way, by origin and by link.
#include "password_command.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

namespace rolvane::carddav {

namespace {

QByteArray keyOf(const QUrl& server, const QString& user) {
    const QUrl origin = server.adjusted(QUrl::RemovePath | QUrl::RemoveQuery |
                                        QUrl::RemoveFragment | QUrl::RemoveUserInfo);
    return QUrl::toPercentEncoding(origin.toString()) + ' ' + QUrl::toPercentEncoding(user);
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

QString storePasswordCommand(const QUrl& server, const QString& user, const QString& command) {
    return storeLine(passwordCommandsFile(), keyOf(server, user), command.toUtf8());
}

std::optional<QString> passwordCommand(const QUrl& server, const QString& user) {
    const std::optional<QByteArray> command = findLine(passwordCommandsFile(), keyOf(server, user));
    return command ? std::optional<QString>(QString::fromUtf8(*command)) : std::nullopt;
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
