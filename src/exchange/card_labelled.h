// SPDX-License-Identifier: GPL-3.0-or-later
// Comments' labelled lines taken back to the properties they show: an edited line rewrites its
// property, a removed one removes it, an added one adds one.
#pragma once

#include "card.h"
#include "card_edit.h"

#include <vector>

namespace rolvane::exchange {

// Applies the change from the lines `from` to the lines `to` to `card`, whose own lines as
// shown (with the property each came from) are `shown`. Lines that did not change are never
// touched. Several lines under one label are matched to properties by value, then by order.
void patchLabelled(CardEdit& card, const std::vector<CardExtra>& shown,
                   const std::vector<CardExtra>& from, const std::vector<CardExtra>& to);

// The escaped value of a TEL, ADR or text property holding `text`, for `line` (whose head may
// change: a number that cannot be a tel: URI goes out as VALUE=text).
// An ADR value holding the lines `text`, read back into parts by the layout that `before` (the
// address as it was) or, with none, a plausible one writes them in.
std::string addressValue(std::string_view text, const CardAddress* before, bool v21);
std::string propertyValue(CardEdit& card, std::string& head, std::string_view property,
                          const std::string& text, const CardAddress* before);

} // namespace rolvane::exchange
