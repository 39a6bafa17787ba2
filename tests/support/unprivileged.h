// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a program as an ordinary user, for the tests about permissions: the super-user, as whom CI
// runs, may write any file, so a test run as root would prove nothing. As root the program runs
// under setpriv as "nobody"; as anyone else it runs as that user.
#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace rolvane::test {

// Why the tests about permissions cannot run here, or empty.
inline QString unprivilegedUnavailable() {
    if (::geteuid() != 0)
        return {};
    if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        return QStringLiteral("setpriv is missing: no ordinary user to run the program as");
    if (!::getpwnam("nobody") || !::getgrnam("nogroup"))
        return QStringLiteral("no user nobody or group nogroup to run the program as");
    return {};
}

// Gives `path` to the user the program runs as, with `mode`. The folders above a temporary
// folder are opened for it to pass through.
inline void handOver(const QString& path, QFile::Permissions mode) {
    QFile::setPermissions(path, mode);
    if (::geteuid() != 0)
        return;
    const struct passwd* nobody = ::getpwnam("nobody");
    const struct group* nogroup = ::getgrnam("nogroup");
    if (nobody && nogroup &&
        ::chown(QFile::encodeName(path).constData(), nobody->pw_uid, nogroup->gr_gid) != 0)
        qWarning("could not hand %s over", qPrintable(path));
}

struct UnprivilegedRun {
    int exitCode = -1; // -1 when the program crashed or hung
    QString out;
    QString err;
};

inline UnprivilegedRun runUnprivileged(const QString& program, const QStringList& arguments) {
    QStringList args = arguments;
    QString run = program;
    if (::geteuid() == 0) {
        args = QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                           QStringLiteral("--clear-groups"), program} +
               arguments;
        run = QStringLiteral("setpriv");
    }
    QProcess process;
    process.start(run, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace rolvane::test
