// SPDX-License-Identifier: GPL-3.0-or-later
// This machine's registry and program launcher, for the whole run.
#pragma once

#include "program_launcher.h"
#include "registry.h"

namespace rolvane::platform {

struct PlatformServices {
    Registry& registry;
    ProgramLauncher& launcher;
};

// On Windows the real registry and launch; elsewhere the stand-in registry and the desktop's.
PlatformServices systemServices();

} // namespace rolvane::platform
