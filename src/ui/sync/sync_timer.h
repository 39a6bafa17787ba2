// SPDX-License-Identifier: GPL-3.0-or-later
// The packaged systemd user timer that syncs the usual book while the program is closed.
#pragma once

#include <QString>

namespace rolvane::ui {

// Whether the timer is enabled, from systemd's own record of it (no process is started).
bool syncTimerEnabled();
// Turns the timer on or off with `systemctl --user ... --now`; empty when that worked, else why.
QString enableSyncTimer(bool on);
// The systemctl run; by default the one on the PATH. Tests put a stand-in here.
void setSystemctlProgram(const QString& program);

} // namespace rolvane::ui
