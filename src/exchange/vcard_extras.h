// SPDX-License-Identifier: GPL-3.0-or-later
// The properties a card holds that have no column of their own, as labelled lines.
#pragma once

#include "card.h"
#include "vcard_property.h"

#include <string_view>

namespace rolvane::exchange {

// Adds what the ungrouped property `p` (its value unescaped as `text`, or as `raw` when
// structured) shows, and marks company cards; false when `p` shows nothing.
bool takeExtra(const VCardProperty& p, std::string_view raw, const std::string& text, Card& card);

// The label a related name of Apple's (`item1.X-ABLabel:_$!<Spouse>!$_`) or Android's type
// code is shown under: its own label ("Spouse"), else "Related" with `label` as qualifier.
CardExtra relation(std::string_view label, std::string value, long long line);

// Apple's labels look like "_$!<HomePage>!$_": a kind, lower case. Empty for a user's own.
std::string standardLabel(std::string_view label);

} // namespace rolvane::exchange
