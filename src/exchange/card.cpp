// SPDX-License-Identifier: GPL-3.0-or-later
// Small pieces of a card that every reader and the mapping share.
#include "card.h"

#include <algorithm>

namespace rolvane::exchange {

bool CardValue::is(std::string_view type) const {
    return std::find(types.begin(), types.end(), type) != types.end();
}

namespace {

void appendLine(std::string& out, std::string_view line) {
    if (line.empty())
        return;
    if (!out.empty())
        out += '\n';
    out += line;
}

} // namespace

std::string CardAddress::lines() const {
    if (!formatted.empty() && street.empty() && city.empty() && postalCode.empty() &&
        region.empty() && country.empty())
        return formatted;
    std::string out;
    appendLine(out, street);
    appendLine(out, extended);
    appendLine(out, poBox);
    std::string place = postalCode;
    if (!place.empty() && !city.empty())
        place += ' ';
    place += city;
    appendLine(out, place);
    appendLine(out, region);
    appendLine(out, country);
    return out.empty() ? formatted : out;
}

bool CardAddress::isEmpty() const {
    return formatted.empty() && street.empty() && extended.empty() && poBox.empty() &&
           city.empty() && region.empty() && postalCode.empty() && country.empty();
}

void Card::addExtra(std::string label, std::string value) {
    if (!value.empty())
        extras.emplace_back(std::move(label), std::move(value));
}

} // namespace rolvane::exchange
