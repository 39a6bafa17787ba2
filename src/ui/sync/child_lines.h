// SPDX-License-Identifier: GPL-3.0-or-later
// What the Sync window's and the link dialog's children have alike: their lines read as they
// come, their last words on standard error, and how they are stopped.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

namespace rolvane::ui {

// The lines of standard output whose end has arrived; the rest waits in `partial`.
QStringList takeEndedLines(QProcess& process, QByteArray& partial);
// The end of what the child wrote on standard error, as much as a window shows.
QString lastProblem(QProcess& process);
// SIGTERM, which the tool takes as a cancel; SIGKILL when it has not ended soon after, so that
// the whole takes under 2 s. Returns once the child is gone, with its signals blocked.
void stopChildNow(QProcess& process);

} // namespace rolvane::ui
