// SPDX-License-Identifier: GPL-3.0-or-later
// A line is handed on only once its end has arrived; what the tool wrote on standard error is
// kept for the dialog to show when no result line came.
#include "link_child.h"

namespace rolvane::ui {

namespace {

// As the Sync window's child: SIGTERM ends the tool at once; one that does not end is killed.
constexpr int kTerminateWaitMs = 1500;
constexpr int kKillWaitMs = 400;
constexpr qsizetype kProblemBytes = 2000;

} // namespace

LinkChild::LinkChild(QObject* parent) : QObject(parent) {
    connect(&process_, &QProcess::readyReadStandardOutput, this, &LinkChild::readLines);
    connect(&process_, &QProcess::finished, this, &LinkChild::finished);
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart || !onEnd)
            return;
        SyncEnd end;
        end.started = false;
        end.problem = QStringLiteral("%1 could not be run: %2")
                          .arg(process_.program(), process_.errorString());
        onEnd(end);
    });
}

LinkChild::~LinkChild() {
    stopNow();
}

void LinkChild::start(const QString& program, const QStringList& arguments,
                      const QByteArray& input) {
    if (isRunning())
        return;
    partial_.clear();
    process_.start(program, arguments);
    if (!input.isEmpty())
        process_.write(input);
    // An end of input, so a tool that wants more than it was given stops instead of waiting.
    process_.closeWriteChannel();
}

void LinkChild::stopNow() {
    if (!isRunning())
        return;
    const QSignalBlocker quiet(process_);
    process_.terminate();
    if (!process_.waitForFinished(kTerminateWaitMs)) {
        process_.kill();
        process_.waitForFinished(kKillWaitMs);
    }
}

void LinkChild::readLines() {
    partial_ += process_.readAllStandardOutput();
    qsizetype end;
    while ((end = partial_.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(partial_.left(end));
        partial_.remove(0, end + 1);
        if (onLine)
            onLine(readLinkLine(line));
    }
}

void LinkChild::finished(int exitCode, QProcess::ExitStatus status) {
    readLines();
    SyncEnd end;
    end.crashed = status == QProcess::CrashExit;
    end.exitCode = exitCode;
    end.problem =
        QString::fromLocal8Bit(process_.readAllStandardError().right(kProblemBytes)).trimmed();
    if (onEnd)
        onEnd(end);
}

} // namespace rolvane::ui
