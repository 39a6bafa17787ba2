// SPDX-License-Identifier: GPL-3.0-or-later
// Closes an X11 window through its frame, for the end-to-end test: wm_close WINDOW-ID.
#include "support/x11_close.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wm_close WINDOW-ID\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    const Window window = std::strtoul(argv[1], nullptr, 0);
    rolvane::x11::requestClose(display, window);
    XCloseDisplay(display);
    return 0;
}
