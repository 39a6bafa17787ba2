// SPDX-License-Identifier: GPL-3.0-or-later
// Fits a card from any file to the book's eleven columns; whatever has no column of its own
// goes into Comments as labelled lines, so nothing of the contact is lost.
#pragma once

#include "card.h"
#include "exchange/contact.h"

namespace rolvane::exchange {

// False when the card holds nothing at all to store.
bool toContact(const Card& card, tool::Contact& contact);

// REV (2024-03-14, 20240314T101500Z...) as the program's own stamp writes that day; empty
// when it is not a date.
std::string stampFromRevision(std::string_view revision);

} // namespace rolvane::exchange
