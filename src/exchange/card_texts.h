// SPDX-License-Identifier: GPL-3.0-or-later
// What the book shows of a server's card: the eleven texts the import mapping gives it, read by
// the same reader an import uses, so a card syncs in as it would import.
#pragma once

#include "card.h"
#include "contact_texts.h"

#include <optional>
#include <string>
#include <string_view>

namespace rolvane::exchange {

struct CardTexts {
    Texts texts;
    std::string note; // NOTE alone; Comments adds the labelled lines below it
    // The labelled lines of Comments, each with the line its property starts on: a merge can
    // compare a card's properties one by one by these, keyed by name, qualifier and value.
    std::vector<CardExtra> lines;
};

// Empty when `card` holds no readable vCard.
std::optional<CardTexts> readCardTexts(std::string_view card);

// The card's UID as written, empty when it has none.
std::string cardUid(std::string_view card);

} // namespace rolvane::exchange
