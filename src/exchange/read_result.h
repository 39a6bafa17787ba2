// SPDX-License-Identifier: GPL-3.0-or-later
// What a reader hands back while it reads: each contact, warnings about damage it could repair,
// and the one problem that stops a file.
#pragma once

#include "card.h"

#include <functional>
#include <optional>
#include <string>

namespace rolvane::exchange {

struct Problem {
    long long line = 0; // 0: the problem belongs to no line
    std::string text;
};

struct ReadCallbacks {
    // Returns false to stop reading (the contact could not be stored).
    std::function<bool(Card&)> card;
    std::function<void(const Problem&)> warning;
};

// Limits that keep memory bounded whatever the file holds.
inline constexpr std::size_t kMaxLineBytes = std::size_t(4) << 20;
inline constexpr std::size_t kMaxCardBytes = std::size_t(16) << 20;
inline constexpr std::size_t kMaxValuesPerCard = 1000;

} // namespace rolvane::exchange
