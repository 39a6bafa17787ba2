// SPDX-License-Identifier: GPL-3.0-or-later
// Parsing the configuration files and font caches is most of a first window's font work; Qt
// asks for it again later and then finds it done.
#include "font_config_preload.h"

#ifndef _WIN32
#include <fontconfig/fontconfig.h>
#endif

namespace rolvane::platform {

FontConfigPreload::FontConfigPreload() {
#ifndef _WIN32
    reader_ = std::thread([] { FcInit(); });
#endif
}

FontConfigPreload::~FontConfigPreload() {
    wait();
}

void FontConfigPreload::wait() {
    if (reader_.joinable())
        reader_.join();
}

} // namespace rolvane::platform
