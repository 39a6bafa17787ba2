// SPDX-License-Identifier: GPL-3.0-or-later
// The child's lines are read as they come, so progress shows while it runs; a line is handed on
// only once its end has arrived.
#include "sync_child.h"

#include "child_lines.h"

#include <QCoreApplication>
#include <QStandardPaths>

namespace rolvane::ui {

namespace {

constexpr int kKillAfterMs = 2000;

} // namespace

QString defaultSyncProgram() {
    const QString name = QStringLiteral("rolvane-db");
    const QString beside =
        QStandardPaths::findExecutable(name, {QCoreApplication::applicationDirPath()});
    if (!beside.isEmpty())
        return beside;
    const QString onPath = QStandardPaths::findExecutable(name);
    return onPath.isEmpty() ? name : onPath;
}

SyncChild::SyncChild(QObject* parent) : QObject(parent) {
    killTimer_.setSingleShot(true);
    killTimer_.setInterval(kKillAfterMs);
    connect(&killTimer_, &QTimer::timeout, &process_, &QProcess::kill);
    connect(&process_, &QProcess::readyReadStandardOutput, this, &SyncChild::readLines);
    connect(&process_, &QProcess::finished, this, &SyncChild::finished);
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            failedToStart();
    });
}

SyncChild::~SyncChild() {
    stopNow();
}

void SyncChild::start(const QString& program, const QString& bookPath, bool quiet) {
    if (isRunning())
        return;
    partial_.clear();
    stopped_ = false;
    QStringList arguments = {QStringLiteral("sync"), QStringLiteral("--file"), bookPath,
                             QStringLiteral("--machine")};
    if (quiet)
        arguments << QStringLiteral("--no-unlock");
    process_.start(program, arguments);
    // Nothing is typed to it: a password command that reads its input ends instead of waiting.
    process_.closeWriteChannel();
}

void SyncChild::cancel() {
    if (!isRunning() || stopped_)
        return;
    stopped_ = true;
    process_.terminate();
    killTimer_.start();
}

void SyncChild::stopNow() {
    killTimer_.stop();
    stopChildNow(process_);
}

void SyncChild::readLines() {
    for (const QString& line : takeEndedLines(process_, partial_))
        if (onLine)
            onLine(readSyncLine(line));
}

void SyncChild::finished(int exitCode, QProcess::ExitStatus status) {
    killTimer_.stop();
    readLines();
    SyncEnd end;
    end.stopped = stopped_;
    end.crashed = status == QProcess::CrashExit && !stopped_;
    end.exitCode = exitCode;
    end.problem = lastProblem(process_);
    if (onEnd)
        onEnd(end);
}

void SyncChild::failedToStart() {
    SyncEnd end;
    end.started = false;
    end.problem =
        QStringLiteral("%1 could not be run: %2").arg(process_.program(), process_.errorString());
    if (onEnd)
        onEnd(end);
}

} // namespace rolvane::ui
