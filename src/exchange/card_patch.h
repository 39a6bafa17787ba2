// SPDX-License-Identifier: GPL-3.0-or-later
// Sending a contact: the server's own last card with only the properties behind the changed
// fields replaced, so a photo, groups, labels, extra numbers and X- properties stay as they were.
#pragma once

#include "contact_texts.h"

#include <string>
#include <string_view>

namespace rolvane::exchange {

// `base` (the server's last card) where the fields of `from` that differ in `to` are rewritten
// from `to`; every other line is kept as it was. REV becomes `revision` when anything changed.
std::string patchCard(std::string_view base, const Texts& from, const Texts& to,
                      std::string_view revision);

// A new card of `texts` under `uid`, vCard 4.0 when `version4`, else 3.0.
std::string newCard(const Texts& texts, std::string_view uid, bool version4,
                    std::string_view revision);
// The head a new property of a phone field, E-mail or Address is written with.
std::string fieldHead(Field field);
// `card` with its UID made `uid`, every other line as it was.
std::string cardUnderUid(std::string_view card, std::string_view uid);
// `texts` as an exported vCard 4.0, with no UID or REV, the stamp kept as
// X-ROLVANE-LAST-UPDATE: importing it gives back the same texts.
std::string exportCard(const Texts& texts);

} // namespace rolvane::exchange
