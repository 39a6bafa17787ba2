// SPDX-License-Identifier: GPL-3.0-or-later
// Starting another program and testing for its file, for the Windows implementation, the stand-in
// elsewhere and a test's fake. Texts are UTF-8.
#pragma once

#include <string>

namespace rolvane::platform {

// Window mode of a launch: a normal window, activated.
inline constexpr int kNormalFocus = 1;

class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;

    // Starts the program named by `commandLine` (program path and any arguments, no quotes added)
    // and returns at once; false when it cannot be started, an empty command line among them.
    virtual bool launch(const std::string& commandLine, int windowMode) = 0;
    // Whether `path` names an ordinary file: not a directory, hidden or system file.
    virtual bool isOrdinaryFile(const std::string& path) = 0;
};

} // namespace rolvane::platform
