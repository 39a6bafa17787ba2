// SPDX-License-Identifier: GPL-3.0-or-later
// Every query text the windows hand to the record source, written once.
#pragma once

#include <array>
#include <string_view>

namespace rolvane::query {

inline constexpr std::string_view kInitial = "select * from Rolvane order by [Last Name];";

// One fixed text per letter button, never composed at run time.
inline constexpr std::array<std::string_view, 26> kLetters = {
    "select * from Rolvane where [Last Name] like 'A*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'B*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'C*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'D*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'E*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'F*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'G*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'H*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'I*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'J*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'K*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'L*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'M*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'N*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'O*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'P*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'Q*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'R*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'S*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'T*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'U*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'V*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'W*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'X*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'Y*' order by [Last Name];",
    "select * from Rolvane where [Last Name] like 'Z*' order by [Last Name];",
};

// The pieces the search dialog joins into its query.
inline constexpr std::string_view kSearchBase = "select * from Rolvane";
inline constexpr std::string_view kSearchWhere = " where ";
inline constexpr std::string_view kSearchAnd = " and";
inline constexpr std::string_view kSearchOrder = " order by [Last Name];";
inline constexpr std::string_view kSearchAll = ";";
inline constexpr std::string_view kCriterionOpen = " [";
inline constexpr std::string_view kCriterionEquals = "] = '";
inline constexpr std::string_view kCriterionClose = "'";

} // namespace rolvane::query
