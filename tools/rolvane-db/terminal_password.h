// SPDX-License-Identifier: GPL-3.0-or-later
// The password typed once at `sync add`, not shown while typed.
#pragma once

#include <QString>
#include <optional>

namespace rolvane::tool {

// Asks on the terminal with `prompt` and echo off; from a pipe, reads its first line. Empty with
// `why` set when nothing was given.
std::optional<QString> askPassword(const QString& prompt, QString& why);

} // namespace rolvane::tool
