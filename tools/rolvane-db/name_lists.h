// SPDX-License-Identifier: GPL-3.0-or-later
// The word lists the contact generator draws from.
#pragma once

#include <span>
#include <string_view>

namespace rolvane::tool::names {

// Surname stems are an onset joined to a nucleus (about 500 of them), then one of the endings.
std::span<const std::string_view> surnameOnsets();
std::span<const std::string_view> surnameNuclei();
std::span<const std::string_view> surnameEndings();
// Onsets outside ASCII, for the few names that begin beyond Z.
std::span<const std::string_view> foreignOnsets();
// Written in lower case before a surname: "van Holt", "d'Arcy".
std::span<const std::string_view> particles();
std::span<const std::string_view> firstNames();
std::span<const std::string_view> streets();
std::span<const std::string_view> streetKinds();
std::span<const std::string_view> cities();
std::span<const std::string_view> states();
std::span<const std::string_view> businessKinds();
std::span<const std::string_view> comments();

} // namespace rolvane::tool::names
