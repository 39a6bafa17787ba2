// SPDX-License-Identifier: GPL-3.0-or-later
// A notification on the desktop, for a sync that runs with no window to tell (the timer's).
#pragma once

#include <QString>

namespace rolvane::tool {

// Shows `summary` and `body` through the session's notification service. False when there is
// none (no session bus, no service, or a build without GIO): the journal still has the words.
bool notifyDesktop(const QString& summary, const QString& body);

} // namespace rolvane::tool
