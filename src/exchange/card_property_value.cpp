// SPDX-License-Identifier: GPL-3.0-or-later
// A value written back from the text the book shows, by its property's rules.
#include "address_layout.h"
#include "card_labelled.h"
#include "card_values.h"
#include "data/ascii_case.h"

namespace rolvane::exchange {

namespace {

// `head` with VALUE=uri made VALUE=text.
std::string asText(const std::string& head) {
    std::string out = head;
    for (std::size_t at = 0;
         (at = asciiLowerCase(out).find(";value=uri", at)) != std::string::npos;)
        out.replace(at, 10, ";VALUE=text");
    return out;
}

// Categories and nicknames are lists: the commas between items stay unescaped.
std::string joinList(const std::string& text, bool v21) {
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t comma = std::min(text.find(',', pos), text.size());
        out += escapeText(text.substr(pos, comma - pos), v21);
        if (comma == text.size())
            return out;
        out += ',';
        pos = comma + 1;
    }
}

} // namespace

std::string addressValue(std::string_view text, const CardAddress* before, bool v21) {
    const CardAddress a = addressFromLines(text, before);
    const std::string* parts[] = {&a.poBox,  &a.extended,   &a.street, &a.city,
                                  &a.region, &a.postalCode, &a.country};
    std::string out;
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        if (i)
            out += ';';
        out += escapeComponent(*parts[i], v21);
    }
    return out;
}

std::string propertyValue(CardEdit& card, std::string& head, std::string_view property,
                          const std::string& text, const CardAddress* before) {
    const bool v21 = card.v21();
    if (property == "TEL" && asciiLowerCase(head).find(";value=uri") != std::string::npos) {
        if (std::string uri = telUri(text); !uri.empty())
            return uri;
        head = asText(head);
    }
    if (property == "ADR")
        return addressValue(text, before, v21);
    if (property == "CATEGORIES" || property == "NICKNAME")
        return joinList(text, v21);
    return escapeText(text, v21);
}

} // namespace rolvane::exchange
