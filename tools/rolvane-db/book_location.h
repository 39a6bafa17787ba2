// SPDX-License-Identifier: GPL-3.0-or-later
// Where the tool writes: the file named on the command line, or the program's own address book.
#pragma once

#include <QString>

namespace rolvane::tool {

// `file` when given, else the fixed address book mapped to this machine.
QString bookPath(const QString& file);

} // namespace rolvane::tool
