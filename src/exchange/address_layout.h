// SPDX-License-Identifier: GPL-3.0-or-later
// An address as lines the way its country writes them, so it reads right on an envelope.
#pragma once

#include <string>
#include <string_view>

namespace rolvane::exchange {

struct CardAddress;

enum class AddressOrder {
    CityRegionPostcode, // "Seattle, WA 98122": the US, Canada, Australia
    CityThenPostcode,   // the UK: town, county and postcode each on a line
    PostcodeCity,       // "10115 Berlin": most of Europe, and any country not known
};
AddressOrder addressOrder(std::string_view country);

// Street lines, then city, region and postcode in the country's order, then the country; no
// empty line and no stray blank or comma where a part is missing.
std::string addressLines(const CardAddress& address);

} // namespace rolvane::exchange

namespace rolvane::exchange {

// The parts of an address shown as `addressLines` wrote it, read back by the same country
// layout; `before` (the parts it was read from, if any) settles which optional parts it has.
// When no reading gives the same lines again, the whole text is the street. CR LF and CR are
// line ends, as LF.
CardAddress addressFromLines(std::string_view text, const CardAddress* before);

} // namespace rolvane::exchange
