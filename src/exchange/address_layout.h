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
