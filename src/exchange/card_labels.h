// SPDX-License-Identifier: GPL-3.0-or-later
// The labels of Comments' labelled lines and the vCard property behind each, in the order the
// lines are written.
#pragma once

#include <span>
#include <string_view>

namespace rolvane::exchange {

enum class Qualifier {
    None,    // "Title: ..."
    Types,   // kinds ("work, cell") or the user's own label ("Boat")
    Service, // a social profile's network, written as its TYPE
};

struct LabelKind {
    std::string_view name;     // as shown, in English like the columns
    std::string_view property; // the vCard property it is written as
    int component = -1;        // its part of N or ORG, else -1 (the whole value)
    bool several = false;      // whether a card may hold more than one
    Qualifier qualifier = Qualifier::None;
    std::string_view relation = {}; // RELATED's TYPE, for the relations' own labels
};

// Every label, in the order Comments lists them.
std::span<const LabelKind> labelKinds();
// The kind named `name` (ASCII case ignored), or null.
const LabelKind* labelKind(std::string_view name);
// Where `name` comes in the order, for sorting; past the end when unknown.
std::size_t labelRank(std::string_view name);
// Whether every comma-separated word of `qualifier` is a vCard kind ("work, cell"); anything
// else is a label of the user's own.
bool isTypeList(std::string_view qualifier);

} // namespace rolvane::exchange
