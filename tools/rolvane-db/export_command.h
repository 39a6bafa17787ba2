// SPDX-License-Identifier: GPL-3.0-or-later
// rolvane-db export: every contact of the book, in last-name order, as vCard 4.0 or CSV.
#pragma once

#include "command_line.h"

namespace rolvane::tool {

// Prints the summary or the error itself; returns the exit status.
int runExport(const Command& command);

} // namespace rolvane::tool
