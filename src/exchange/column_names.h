// What one column name says about its values, whoever wrote the table: the book's own columns,
// Google Contacts (both layouts), Outlook (web and desktop), Thunderbird, and Access tables with
// names such as FirstName or BusinessPhone. Names are compared by their letters and digits
// alone, lower case ("E-mail 2 Address" and "Email2Address" are one name).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rolvane::exchange {

enum class ColumnRole {
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
    Extra, // a labelled line in Comments
    Label, // the label of a numbered value beside it (Google's "Phone 1 - Label")
    Own    // one of the book's eleven columns
};
enum class AddressPart { Street, Extended, PoBox, City, Region, PostalCode, Country, Formatted };

struct ColumnMeaning {
    ColumnRole role = ColumnRole::Ignore;
    AddressPart part = AddressPart::Street;
    std::vector<std::string> types; // phone and e-mail kinds; for an address, its group's kinds
    std::string label;              // Extra: the label in Comments
    std::string skipValue;          // a value that only means "not set" in this column
    std::string group;      // address: which address ("home", "address1"); Label: whose label
    std::string labelOf;    // numbered values: the key of the label column that names them
    bool groupList = false; // Google's " ::: "-separated list of the contact's groups
};

// Letters and digits of `name`, lower case: the key that every table of names is written in.
std::string columnKey(std::string_view name);
std::string trimmedText(std::string_view text);

ColumnMeaning meaningOf(const std::string& name);

} // namespace rolvane::exchange
