// SPDX-License-Identifier: GPL-3.0-or-later
// Times a program from its launch to its first frame on screen, watched from outside through the
// X server, so the program itself needs no hook and runs exactly as users start it.
#pragma once

#include <X11/Xlib.h>
#include <optional>
#include <string>
#include <vector>

namespace rolvane::bench {

struct Launch {
    std::string program;
    std::vector<std::string> environment; // NAME=value, added to this process's own
    // A point of the window that is pure green (0x00FF00) once painted; negative counts from the
    // right or bottom edge.
    int probeX = 0;
    int probeY = 0;
};

class FirstPaintTimer {
public:
    FirstPaintTimer();
    ~FirstPaintTimer();
    FirstPaintTimer(const FirstPaintTimer&) = delete;
    FirstPaintTimer& operator=(const FirstPaintTimer&) = delete;

    bool connected() const { return display_ != nullptr; }
    // Seconds from spawning the program to the probe point turning green; the program is then
    // closed as a window manager closes it. Empty, with `error` set, when that did not happen.
    std::optional<double> time(const Launch& launch, std::string& error);

private:
    Window awaitMap(double deadline);
    void close(Window window, int pid);

    Display* display_ = nullptr;
};

} // namespace rolvane::bench
