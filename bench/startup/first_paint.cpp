// SPDX-License-Identifier: GPL-3.0-or-later
// Under Xvfb there is no window manager, so top-level windows are children of the root window and
// their MapNotify arrives there. The first frame is seen by reading one pixel every half
// millisecond until it turns green: Qt puts the whole window's first frame on screen at once, so
// by then every field is drawn.
#include "first_paint.h"

#include "support/x11_close.h"

#include <X11/Xutil.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace rolvane::bench {

namespace {

using Clock = std::chrono::steady_clock;

double now() {
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

// Reading a window that is going away fails; that is expected and not fatal.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

constexpr double kTimeoutSeconds = 30;
// Between two looks at the window. A watcher that never rests keeps the X server busy answering
// it, and so takes one of a two-core machine's cores from the program it times; half a
// millisecond is well inside the spread of the launches.
constexpr std::chrono::microseconds kPollPause{500};

} // namespace

FirstPaintTimer::FirstPaintTimer() : display_(XOpenDisplay(nullptr)) {
    if (!display_)
        return;
    XSetErrorHandler(ignoreXError);
    XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
}

FirstPaintTimer::~FirstPaintTimer() {
    if (display_)
        XCloseDisplay(display_);
}

Window FirstPaintTimer::awaitMap(double deadline) {
    pollfd fd{ConnectionNumber(display_), POLLIN, 0};
    while (now() < deadline) {
        while (XPending(display_)) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect)
                return event.xmap.window;
        }
        poll(&fd, 1, 10);
    }
    return 0;
}

void FirstPaintTimer::close(Window window, int pid) {
    x11::requestClose(display_, window);
    const double deadline = now() + 10;
    while (now() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

std::optional<double> FirstPaintTimer::time(const Launch& launch, std::string& error) {
    XSync(display_, True); // forget events of earlier runs

    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e)
        environment.emplace_back(*e);
    for (const std::string& added : launch.environment) {
        const std::string name = added.substr(0, added.find('=') + 1);
        std::erase_if(environment, [&](const std::string& e) { return e.starts_with(name); });
        environment.push_back(added);
    }
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = launch.program;
    char* argv[] = {program.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    const double start = now();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        error = "cannot start " + program;
        return std::nullopt;
    }

    const double deadline = start + kTimeoutSeconds;
    const Window window = awaitMap(deadline);
    if (!window) {
        error = program + " showed no window";
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return std::nullopt;
    }
    std::optional<double> painted;
    while (!painted && now() < deadline) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display_, window, &attributes))
            continue;
        const int x = launch.probeX >= 0 ? launch.probeX : attributes.width + launch.probeX;
        const int y = launch.probeY >= 0 ? launch.probeY : attributes.height + launch.probeY;
        if (XImage* image = XGetImage(display_, window, x, y, 1, 1, AllPlanes, ZPixmap)) {
            const unsigned long pixel = XGetPixel(image, 0, 0);
            XDestroyImage(image);
            if ((pixel & 0xFFFFFF) == 0x00FF00)
                painted = now() - start;
        }
        if (!painted)
            std::this_thread::sleep_for(kPollPause);
    }
    if (!painted)
        error = program + " never painted its window";
    close(window, pid);
    return painted;
}

} // namespace rolvane::bench
