// SPDX-License-Identifier: GPL-3.0-or-later
#include "child_lines.h"

#include <QSignalBlocker>

namespace rolvane::ui {

namespace {

// SIGTERM stops the tool within a fifth of a second; a child that does not stop is killed soon
// enough that End takes under 2 s in all.
constexpr int kTerminateWaitMs = 1500;
constexpr int kKillWaitMs = 400;
// Of standard error, only so much is kept for the window to show.
constexpr qsizetype kProblemBytes = 2000;

} // namespace

QStringList takeEndedLines(QProcess& process, QByteArray& partial) {
    partial += process.readAllStandardOutput();
    QStringList lines;
    qsizetype end;
    while ((end = partial.indexOf('\n')) >= 0) {
        lines << QString::fromUtf8(partial.left(end));
        partial.remove(0, end + 1);
    }
    return lines;
}

QString lastProblem(QProcess& process) {
    return QString::fromLocal8Bit(process.readAllStandardError().right(kProblemBytes)).trimmed();
}

void stopChildNow(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    const QSignalBlocker quiet(process);
    process.terminate();
    if (!process.waitForFinished(kTerminateWaitMs)) {
        process.kill();
        process.waitForFinished(kKillWaitMs);
    }
}

} // namespace rolvane::ui
