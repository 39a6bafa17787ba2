// SPDX-License-Identifier: GPL-3.0-or-later
// Comments as the free note, then a fixed separator line, then one labelled line for every
// property with no column. The grammar is the README's ("Labelled lines in Comments").
#pragma once

#include "card.h"

#include <string>
#include <string_view>
#include <vector>

namespace rolvane::exchange {

// Alone on its line; only what follows it is read as properties.
inline constexpr std::string_view kCardSeparator = "--- other fields ---";

// "Name (qualifier): value", a value of several lines going on in lines indented by two blanks.
std::string labelledLine(const CardExtra& line);

// The note, then (when there are lines) the separator and the lines in the order given.
std::string joinComments(std::string_view note, const std::vector<CardExtra>& lines);

struct SplitComments {
    std::string note;              // everything above the separator
    std::vector<CardExtra> lines;  // below it, read by the grammar, with a known label
    std::vector<std::string> kept; // below it but not such a line: note text after all
    // Lines with a known label whose value cannot be their property's ("Birthday: next week"):
    // in `kept` too, as note text, and named here so that the user can be told.
    std::vector<std::string> refused;
    bool separated = false; // whether the separator was there

    // The note with the lines that were not read, as the card's NOTE takes it.
    std::string fullNote() const;
};
SplitComments splitComments(std::string_view comments);
// Whether the separator stands on a line of its own in `comments`: without it, all is note.
bool hasSeparator(std::string_view comments);

} // namespace rolvane::exchange
