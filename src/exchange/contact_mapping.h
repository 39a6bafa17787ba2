// SPDX-License-Identifier: GPL-3.0-or-later
// Fits a card from any file to the book's eleven columns; whatever has no column of its own
// goes into Comments as labelled lines below a separator, so nothing of the contact is lost.
#pragma once

#include "card.h"
#include "exchange/contact.h"

namespace rolvane::exchange {

// A card as the book shows it: the eleven columns, and apart the note and the labelled lines
// that make up Comments, each line with the property it came from (CardExtra::line), so that a
// change to one line can be taken back to its property alone.
struct ShownCard {
    tool::Contact contact;
    std::string note;
    std::vector<CardExtra> lines;
};
ShownCard showCard(const Card& card);

// False when the card holds nothing at all to store.
bool toContact(const Card& card, tool::Contact& contact);

// REV (2024-03-14, 20240314T101500Z...) as the program's own stamp writes that day; empty
// when it is not a date.
std::string stampFromRevision(std::string_view revision);

} // namespace rolvane::exchange
