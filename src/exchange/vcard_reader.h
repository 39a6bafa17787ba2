// SPDX-License-Identifier: GPL-3.0-or-later
// Reads vCard 2.1, 3.0 and 4.0 as real exporters write them, one card at a time.
#pragma once

#include "byte_source.h"
#include "read_result.h"

namespace rolvane::exchange {

// The deepest nesting of cards (2.1's AGENT) that is read past; deeper is refused.
inline constexpr int kMaxCardNesting = 64;

// Reads every card of `in`; nested cards are skipped. Returns the problem that stopped the file,
// or nothing when it was read to the end (or `callbacks.card` asked to stop).
std::optional<Problem> readVCards(ByteSource& in, const ReadCallbacks& callbacks);

} // namespace rolvane::exchange
