// SPDX-License-Identifier: GPL-3.0-or-later
// rolvane-db import: every contact of a vCard, CSV or Access file into the book, all or nothing.
#pragma once

#include "command_line.h"

namespace rolvane::tool {

// Prints the summary, warnings and errors itself; returns the exit status.
int runImport(const Command& command);

} // namespace rolvane::tool
