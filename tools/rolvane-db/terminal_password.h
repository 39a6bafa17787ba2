// SPDX-License-Identifier: GPL-3.0-or-later
// What `sync add` asks on the terminal: the password, once and not shown while typed, and whether
// a host the server sends us on to may have it too.
#pragma once

#include <QString>
#include <optional>

namespace rolvane::tool {

// Asks on the terminal with `prompt` and echo off; from a pipe, reads its first line. Empty with
// `why` set when nothing was given.
std::optional<QString> askPassword(const QString& prompt, QString& why);

// Asks `question` on the terminal; yes only for an answer starting with y or Y. None when
// standard input is no terminal, so nothing there can answer for the user.
std::optional<bool> askYesNo(const QString& question);

} // namespace rolvane::tool
