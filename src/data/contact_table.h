// SPDX-License-Identifier: GPL-3.0-or-later
// The contact table: where it lives, what it is called and the names of its eleven columns.
#pragma once

#include <array>
#include <string_view>

namespace rolvane {

// The record source's address book; the path is mapped to this machine by the platform layer.
inline constexpr std::string_view kDatabaseName = "C:\\Address Book\\addy.mdb";

inline constexpr std::string_view kTableName = "Rolvane";

// In the order the main window shows them, Text1 to Text11.
inline constexpr std::array<std::string_view, 11> kColumnNames = {
    "First Name", "Last Name", "Ph1",  "Ph2",      "Ph3",        "Email",
    "Bus",        "Fax",       "Addy", "Comments", "Last Update"};

} // namespace rolvane
