// SPDX-License-Identifier: GPL-3.0-or-later
// Ctrl-C or the service manager stopping the unit asks a running sync to stop where the next one
// takes it up, and to say so; a second signal ends the program at once.
#pragma once

#include <atomic>

namespace rolvane::tool {

// Set by the first SIGINT or SIGTERM after the first call, which installs the handlers.
const std::atomic<bool>& stopRequested();

} // namespace rolvane::tool
