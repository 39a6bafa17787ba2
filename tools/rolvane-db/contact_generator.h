// SPDX-License-Identifier: GPL-3.0-or-later
// Generated contacts for books of any size: the same seed always gives the same contacts.
#pragma once

#include "exchange/contact.h"

#include <cstdint>

namespace rolvane::tool {

class ContactGenerator {
public:
    static constexpr std::uint64_t kDefaultSeed = 0x526f6c76616e65; // "Rolvane"

    explicit ContactGenerator(std::uint64_t seed = kDefaultSeed) : state_(seed) {}

    // Overwrites `out` with the next contact, reusing its strings' storage.
    void next(Contact& out);

private:
    std::uint64_t nextRandom();
    std::size_t below(std::size_t n) { return std::size_t(nextRandom() % n); }
    bool chance(unsigned perThousand) { return below(1000) < perThousand; }
    void makeLastName(std::string& out);
    void makeSurname(std::string& out);
    void makePhone(std::optional<std::string>& out);
    void makeAddress(std::string& out);

    std::uint64_t state_;
};

} // namespace rolvane::tool
