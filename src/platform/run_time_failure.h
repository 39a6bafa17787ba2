// SPDX-License-Identifier: GPL-3.0-or-later
// A failure that stops the operation under way, to be handled by whoever traps such failures.
#pragma once

#include <stdexcept>

namespace rolvane::platform {

class RunTimeFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace rolvane::platform
