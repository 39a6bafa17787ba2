#include "address_layout.h"

#include "card.h"
#include "data/ascii_case.h"

#include <algorithm>
#include <initializer_list>

namespace rolvane::exchange {

namespace {

bool named(const std::string& country, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), country) != names.end();
}

void appendLine(std::string& out, std::string_view line) {
    if (line.empty())
        return;
    if (!out.empty())
        out += '\n';
    out += line;
}

// `a` and `b` joined by `separator`, or whichever of them is there.
std::string joined(std::string_view a, std::string_view separator, std::string_view b) {
    std::string out(a);
    if (!a.empty() && !b.empty())
        out += separator;
    out += b;
    return out;
}

} // namespace

AddressOrder addressOrder(std::string_view country) {
    std::string c = asciiLowerCase(country);
    c.erase(std::remove(c.begin(), c.end(), '.'), c.end());
    if (named(c, {"us", "usa", "united states", "united states of america", "america", "canada",
                  "australia", "au"}))
        return AddressOrder::CityRegionPostcode;
    if (named(c, {"uk", "united kingdom", "gb", "great britain", "england", "scotland", "wales",
                  "northern ireland"}))
        return AddressOrder::CityThenPostcode;
    return AddressOrder::PostcodeCity;
}

std::string addressLines(const CardAddress& a) {
    if (!a.formatted.empty() && a.street.empty() && a.city.empty() && a.postalCode.empty() &&
        a.region.empty() && a.country.empty())
        return a.formatted;
    std::string out;
    appendLine(out, a.street);
    appendLine(out, a.extended);
    appendLine(out, a.poBox);
    switch (addressOrder(a.country)) {
    case AddressOrder::CityRegionPostcode:
        appendLine(out, joined(a.city, ", ", joined(a.region, " ", a.postalCode)));
        break;
    case AddressOrder::CityThenPostcode:
        appendLine(out, a.city);
        appendLine(out, a.region);
        appendLine(out, a.postalCode);
        break;
    case AddressOrder::PostcodeCity:
        appendLine(out, joined(a.postalCode, " ", a.city));
        appendLine(out, a.region);
        break;
    }
    appendLine(out, a.country);
    return out.empty() ? a.formatted : out;
}

} // namespace rolvane::exchange
