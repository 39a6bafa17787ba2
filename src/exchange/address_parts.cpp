// SPDX-License-Identifier: GPL-3.0-or-later
// Reading an address's lines back into its parts: every reading the layouts allow is tried, and
// one is taken only if it writes the very same lines again.
#include "address_layout.h"
#include "card.h"

#include <vector>

namespace rolvane::exchange {

namespace {

// CR LF and a lone CR as LF: a CR left at a street line's end would come back from the card as
// a line end of its own (vCard cannot write a CR), an empty line more.
std::string lineFeeds(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i] == '\r' ? '\n' : text[i];
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    return out;
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        out.emplace_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return out;
}

std::string joinLines(const std::vector<std::string>& lines, std::size_t from, std::size_t to) {
    std::string out;
    for (std::size_t i = from; i < to; ++i)
        out += (i > from ? "\n" : "") + lines[i];
    return out;
}

// "Springfield, IL 62701", or "75001 Paris": the parts of one line.
void splitCityLine(const std::string& line, AddressOrder order, CardAddress& a) {
    if (order == AddressOrder::CityRegionPostcode) {
        const std::size_t comma = line.find(", ");
        std::string rest = comma == std::string::npos ? line : line.substr(comma + 2);
        a.city = comma == std::string::npos ? std::string() : line.substr(0, comma);
        const std::size_t space = rest.rfind(' ');
        a.region = space == std::string::npos ? rest : rest.substr(0, space);
        a.postalCode = space == std::string::npos ? std::string() : rest.substr(space + 1);
        return;
    }
    const std::size_t space = line.find(' ');
    a.postalCode = space == std::string::npos ? std::string() : line.substr(0, space);
    a.city = space == std::string::npos ? line : line.substr(space + 1);
}

// One reading: `country` says whether the last line is the country, `region` whether a line of
// its own holds the region (Europe, the UK), `postcode` whether the UK's postcode has one.
CardAddress reading(const std::vector<std::string>& lines, bool country, bool region,
                    bool postcode) {
    CardAddress a;
    std::size_t end = lines.size();
    if (country && end > 0)
        a.country = lines[--end];
    const AddressOrder order = addressOrder(a.country);
    if (order == AddressOrder::CityThenPostcode) {
        if (postcode && end > 0)
            a.postalCode = lines[--end];
        if (region && end > 0)
            a.region = lines[--end];
        if (end > 0)
            a.city = lines[--end];
    } else {
        if (order == AddressOrder::PostcodeCity && region && end > 0)
            a.region = lines[--end];
        if (end > 0)
            splitCityLine(lines[--end], order, a);
    }
    a.street = joinLines(lines, 0, end);
    return a;
}

bool hasDigit(const std::string& s) {
    return s.find_first_of("0123456789") != std::string::npos;
}

// Without the old parts to go by, only a reading with a postcode, and a country this program
// knows, is taken: "Flat 2\nLeeds" has no parts to tell.
bool plausible(const CardAddress& a) {
    return hasDigit(a.postalCode) &&
           (a.country.empty() || addressOrder(a.country) != AddressOrder::PostcodeCity);
}

bool sameShape(const CardAddress& a, const CardAddress& b) {
    auto shape = [](const CardAddress& x) {
        return std::vector<bool>{x.city.empty(), x.region.empty(), x.postalCode.empty(),
                                 x.country.empty()};
    };
    return shape(a) == shape(b);
}

} // namespace

CardAddress addressFromLines(std::string_view typed, const CardAddress* before) {
    const std::string text = lineFeeds(typed);
    const std::vector<std::string> lines = splitLines(text);
    // The cheap tests first: an export tries this on every contact's address. With nothing to
    // go by, a last line that names no country this program knows is no country.
    const bool knownCountry = addressOrder(lines.back()) != AddressOrder::PostcodeCity;
    for (bool country : {true, false})
        for (bool postcode : {true, false})
            for (bool region : {false, true}) {
                if (country && !before && !knownCountry)
                    continue; // plausible() would refuse every such reading
                const CardAddress a = reading(lines, country, region, postcode);
                if (a.street.empty() || a.city.empty() ||
                    (!a.postalCode.empty() && !hasDigit(a.postalCode)))
                    continue;
                if (before ? sameShape(a, *before) &&
                                 addressOrder(a.country) == addressOrder(before->country)
                           : plausible(a))
                    if (addressLines(a) == text)
                        return a;
            }
    CardAddress whole;
    whole.street = text;
    return whole;
}

} // namespace rolvane::exchange
