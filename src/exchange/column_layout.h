// SPDX-License-Identifier: GPL-3.0-or-later
// Which contact detail each column of a table holds, told by its name: the book's own columns,
// Google Contacts (both layouts), Outlook (web and desktop), Thunderbird, and Access tables with
// names such as FirstName or BusinessPhone. Columns that fit nowhere become labelled lines.
#pragma once

#include "card.h"

#include <optional>
#include <string>
#include <vector>

namespace rolvane::exchange {

class ColumnLayout {
public:
    // Nothing when the names show no contact table; `expected` then says what would be. With
    // `anyNames`, a table is taken whatever its names: what fits nowhere goes to Comments.
    static std::optional<ColumnLayout> recognise(const std::vector<std::string>& names,
                                                 std::string& expected, bool anyNames = false);

    bool isOwn() const { return own_; }
    // Builds the card of one row; `row` may be shorter than the header.
    void fill(const std::vector<std::string>& row, Card& card) const;

private:
    enum class Role {
        Ignore,
        Given,
        Family,
        Middle,
        Formatted,
        Org,
        Note,
        Phone,
        Email,
        Address,
        Extra,
        Own
    };
    enum class Part { Street, Extended, PoBox, City, Region, PostalCode, Country, Formatted };
    struct Column {
        Role role = Role::Ignore;
        Part part = Part::Street;
        int group = -1;   // address: which address; phone and e-mail: -1
        int labelAt = -1; // the column holding this value's label (Google), else -1
        std::vector<std::string> types;
        std::string label;     // Extra: the label in Comments
        std::string skipValue; // a value that only means "not set" in this column
    };
    struct AddressGroup {
        std::vector<std::string> types;
        int labelAt = -1;
    };

    std::vector<Column> columns_;
    std::vector<AddressGroup> groups_;
    bool own_ = false;
};

} // namespace rolvane::exchange
