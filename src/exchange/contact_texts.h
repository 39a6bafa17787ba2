// SPDX-License-Identifier: GPL-3.0-or-later
// A contact as a card maps to it and a sync compares it: the eleven column texts, NULL read as
// empty.
#pragma once

#include "data/contact_table.h"

#include <array>
#include <string>
#include <string_view>

namespace rolvane::exchange {

using Texts = std::array<std::string, kColumnNames.size()>;
enum Field { First, Last, Ph1, Ph2, Ph3, Email, Bus, Fax, Addy, Comments, LastUpdate };
// Fields that are merged and sent; Last Update is a stamp, not a field.
inline constexpr std::size_t kMergedFields = LastUpdate;

// CR LF and lone CR become LF, so line ends never count as a change.
std::string normalised(std::string_view text);
// Whether the ten merged fields hold the same texts, line ends aside.
bool sameFields(const Texts& a, const Texts& b);
bool sameField(const Texts& a, const Texts& b, std::size_t field);

} // namespace rolvane::exchange
