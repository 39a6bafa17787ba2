// SPDX-License-Identifier: GPL-3.0-or-later
// Program launch and file test on Windows, through the wide-character API.
#pragma once

#ifdef _WIN32

#include "program_launcher.h"

namespace rolvane::platform {

class WindowsLauncher final : public ProgramLauncher {
public:
    bool launch(const std::string& commandLine, int windowMode) override;
    bool isOrdinaryFile(const std::string& path) override;
};

} // namespace rolvane::platform

#endif
