// One line per origin and user: both percent-encoded, a tab, then the command as typed.
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

QList<QByteArray> readLines() {
    QFile file(passwordCommandsFile());
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

QString storePasswordCommand(const QUrl& server, const QString& user, const QString& command) {
    const QString path = passwordCommandsFile();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("Could not create the folder \"%1\".").arg(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray key = keyOf(server, user);
    QByteArray text;
    for (const QByteArray& line : readLines())
        if (!line.isEmpty() && !line.startsWith(key + '\t'))
            text += line + '\n';
    text += key + '\t' + command.toUtf8() + '\n';
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) ||
        file.write(text) != text.size() || !file.commit())
        return QStringLiteral("Could not store the password command in \"%1\": %2.")
            .arg(path, file.errorString());
    return {};
}

std::optional<QString> passwordCommand(const QUrl& server, const QString& user) {
    const QByteArray key = keyOf(server, user) + '\t';
    for (const QByteArray& line : readLines())
        if (line.startsWith(key))
            return QString::fromUtf8(line.mid(key.size()));
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
