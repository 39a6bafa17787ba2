// SPDX-License-Identifier: GPL-3.0-or-later
// Linux only: other systems report -1 and the memory row shows as not measured.
#include "rss.h"

#include <fstream>
#include <string>

namespace rolvane::bench {

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

} // namespace rolvane::bench
