// SPDX-License-Identifier: GPL-3.0-or-later
// A handler may only store to a lock-free atomic and reset its own disposition.
#include "stop_signal.h"

#include <csignal>

namespace rolvane::tool {

namespace {

std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onStop(int signal) {
    requested.store(true);
    std::signal(signal, SIG_DFL);
}

} // namespace

const std::atomic<bool>& stopRequested() {
    static const bool installed = [] {
        std::signal(SIGINT, onStop);
        std::signal(SIGTERM, onStop);
        return true;
    }();
    (void)installed; // the handlers are installed once, by the initialiser above
    return requested;
}

} // namespace rolvane::tool
