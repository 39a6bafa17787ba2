// SPDX-License-Identifier: GPL-3.0-or-later
// Small pieces of a card that every reader and the mapping share.
#include "card.h"

#include "address_layout.h"

#include <algorithm>

namespace rolvane::exchange {

bool CardValue::is(std::string_view type) const {
    return std::find(types.begin(), types.end(), type) != types.end();
}

std::string CardAddress::lines() const {
    return addressLines(*this);
}

bool CardAddress::isEmpty() const {
    return formatted.empty() && street.empty() && extended.empty() && poBox.empty() &&
           city.empty() && region.empty() && postalCode.empty() && country.empty();
}

Unkept& Unkept::operator+=(const Unkept& other) {
    photos += other.photos;
    logos += other.logos;
    sounds += other.sounds;
    keys += other.keys;
    for (const auto& [name, n] : other.others)
        others[name] += n;
    return *this;
}

std::string unkeptWording(const Unkept& u) {
    const std::pair<long long, const char*> counts[] = {
        {u.photos, "photo"}, {u.logos, "logo"}, {u.sounds, "sound"}, {u.keys, "key"}};
    std::vector<std::string> parts;
    for (const auto& [n, what] : counts)
        if (n > 0)
            parts.push_back(std::to_string(n) + ' ' + what + (n == 1 ? "" : "s"));
    long long others = 0;
    std::string names;
    std::size_t named = 0;
    for (const auto& [name, n] : u.others) {
        others += n;
        if (++named <= 3) // a few names tell what they were; the count tells the rest
            names += (names.empty() ? "" : ", ") + name;
    }
    if (others > 0)
        parts.push_back(std::to_string(others) + (parts.empty() ? "" : " other") +
                        (others == 1 ? " property (" : " properties (") + names +
                        (named > 3 ? ", ...)" : ")"));
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return out.empty() ? out : out + " not kept";
}

void Card::addExtra(std::string label, std::string value) {
    CardExtra extra;
    // "Web page (home)" from a column title is a name and its qualifier, as in Comments.
    if (const std::size_t open = label.find(" (");
        open != std::string::npos && label.back() == ')') {
        extra.qualifier = label.substr(open + 2, label.size() - open - 3);
        label.resize(open);
    }
    extra.name = std::move(label);
    extra.value = std::move(value);
    addExtra(std::move(extra));
}

void Card::addExtra(CardExtra extra) {
    if (!extra.value.empty())
        extras.push_back(std::move(extra));
}

} // namespace rolvane::exchange
