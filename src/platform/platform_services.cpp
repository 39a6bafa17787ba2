// SPDX-License-Identifier: GPL-3.0-or-later
// Chooses the platform layer's implementations once, by the system the program was built for.
#include "platform_services.h"

#ifdef _WIN32
#include "windows_launcher.h"
#include "windows_registry.h"
#else
#include "desktop_launcher.h"
#include "standin_registry.h"
#endif

namespace rolvane::platform {

PlatformServices systemServices() {
#ifdef _WIN32
    static WindowsRegistry registry;
    static WindowsLauncher launcher;
#else
    static StandInRegistry registry;
    static DesktopLauncher launcher;
#endif
    return {registry, launcher};
}

} // namespace rolvane::platform
