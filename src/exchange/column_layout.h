// Which contact detail each column of a table holds, told by the names in its header (see
// column_names.h), and the card that one row of the table makes.
#pragma once

#include "card.h"
#include "column_names.h"

#include <optional>
#include <string>
#include <vector>

namespace rolvane::exchange {

class ColumnLayout {
public:
    // What a table must name to be taken as contacts.
    enum class Require {
        NameAndDetail, // a name column and a phone, e-mail or address column (files)
        AnyContact,    // a name, phone or e-mail column (a table the user chose by name)
    };
    // Nothing when the names show no contact table; `expected` then says what would be.
    static std::optional<ColumnLayout> recognise(const std::vector<std::string>& names,
                                                 std::string& expected,
                                                 Require require = Require::NameAndDetail);

    bool isOwn() const { return own_; }
    // Builds the card of one row; `row` may be shorter than the header.
    void fill(const std::vector<std::string>& row, Card& card) const;

private:
    struct Column {
        ColumnRole role = ColumnRole::Ignore;
        AddressPart part = AddressPart::Street;
        int index = -1;   // address: which address; Own: which of the book's columns
        int labelAt = -1; // the column holding this value's label (Google), else -1
        std::vector<std::string> types;
        std::string label;     // Extra: the label in Comments
        std::string skipValue; // a value that only means "not set" in this column
        bool groupList = false;
    };
    struct AddressGroup {
        std::vector<std::string> types;
        int labelAt = -1;
    };
    bool recogniseOwn(const std::vector<std::string>& names);
    void fillValues(const Column& col, std::string_view value, std::string_view labels,
                    Card& card) const;

    std::vector<Column> columns_;
    std::vector<AddressGroup> groups_;
    bool own_ = false;
};

} // namespace rolvane::exchange
