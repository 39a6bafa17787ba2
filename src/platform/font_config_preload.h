// SPDX-License-Identifier: GPL-3.0-or-later
// Reads the system's font configuration on a thread of its own while the program connects to the
// display, so that the first window finds it read. Where fonts come from fontconfig; elsewhere it
// does nothing.
#pragma once

#include <thread>

namespace rolvane::platform {

class FontConfigPreload {
public:
    FontConfigPreload();
    ~FontConfigPreload();
    FontConfigPreload(const FontConfigPreload&) = delete;
    FontConfigPreload& operator=(const FontConfigPreload&) = delete;

    // Returns once the configuration is read; call it before the first widget is made.
    void wait();

private:
    std::thread reader_;
};

} // namespace rolvane::platform
