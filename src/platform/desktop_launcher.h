// SPDX-License-Identifier: GPL-3.0-or-later
// Program launch and file test where there is no Windows: the command lines and paths the program
// composes are Windows texts, so a backslash counts as a folder separator here.
#pragma once

#include "program_launcher.h"

namespace rolvane::platform {

class DesktopLauncher final : public ProgramLauncher {
public:
    // The whole text names the program when it is an executable file (spaces and all, as Windows
    // tries first); otherwise it is split into the program and its arguments as a shell would,
    // quotes included. The window mode is the desktop's to decide.
    bool launch(const std::string& commandLine, int windowMode) override;
    // A file, not a directory, and not hidden (no leading dot).
    bool isOrdinaryFile(const std::string& path) override;
};

} // namespace rolvane::platform
