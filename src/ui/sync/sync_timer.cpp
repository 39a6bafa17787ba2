// SPDX-License-Identifier: GPL-3.0-or-later
// `systemctl --user enable` records an enabled timer as a link in timers.target.wants under the
// user's configuration folder; reading that link costs a stat where asking systemd costs a
// process.
#include "sync_timer.h"

#include "child_lines.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace rolvane::ui {

namespace {

constexpr int kWaitMs = 15000;
const QString kTimer = QStringLiteral("rolvane-sync.timer");

QString& systemctl() {
    static QString program = QStringLiteral("systemctl");
    return program;
}

} // namespace

bool syncTimerEnabled() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QFileInfo(
               QDir(config).filePath(QStringLiteral("systemd/user/timers.target.wants/") + kTimer))
        .isSymLink();
}

QString enableSyncTimer(bool on) {
    QProcess p;
    p.start(systemctl(),
            {QStringLiteral("--user"), on ? QStringLiteral("enable") : QStringLiteral("disable"),
             QStringLiteral("--now"), kTimer});
    p.closeWriteChannel();
    if (!p.waitForFinished(kWaitMs)) {
        p.kill();
        p.waitForFinished();
        return QStringLiteral("systemctl could not turn the sync's timer %1: %2")
            .arg(on ? QStringLiteral("on") : QStringLiteral("off"), p.errorString());
    }
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return {};
    const QString said = lastProblem(p);
    return QStringLiteral("systemctl could not turn the sync's timer %1: %2")
        .arg(on ? QStringLiteral("on") : QStringLiteral("off"),
             said.isEmpty() ? QStringLiteral("it ended with status %1").arg(p.exitCode()) : said);
}

void setSystemctlProgram(const QString& program) {
    systemctl() = program.isEmpty() ? QStringLiteral("systemctl") : program;
}

} // namespace rolvane::ui
