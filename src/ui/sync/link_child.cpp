// SPDX-License-Identifier: GPL-3.0-or-later
// A line is handed on only once its end has arrived; what the tool wrote on standard error is
// kept for the dialog to show when no result line came.
#include "link_child.h"

#include "child_lines.h"

namespace rolvane::ui {

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
    stopChildNow(process_);
}

void LinkChild::readLines() {
    for (const QString& line : takeEndedLines(process_, partial_))
        if (onLine)
            onLine(readLinkLine(line));
}

void LinkChild::finished(int exitCode, QProcess::ExitStatus status) {
    readLines();
    SyncEnd end;
    end.crashed = status == QProcess::CrashExit;
    end.exitCode = exitCode;
    end.problem = lastProblem(process_);
    if (onEnd)
        onEnd(end);
}

} // namespace rolvane::ui
