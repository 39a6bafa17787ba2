// SPDX-License-Identifier: GPL-3.0-or-later
// Maps the program's fixed Windows paths to this machine.
#pragma once

#include <QString>
#include <string_view>

namespace rolvane::platform {

// On Windows the path itself. Elsewhere the drive "C:" stands for ~/.local/share/Rolvane and
// backslashes become slashes: "C:\Address Book\addy.mdb" is
// ~/.local/share/Rolvane/Address Book/addy.mdb.
QString nativePath(std::string_view windowsPath);

} // namespace rolvane::platform
