// SPDX-License-Identifier: GPL-3.0-or-later
// Turns a query text in the Jet dialect into the SQLite statement that lists the row ids of its
// result, in its order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct sqlite3_stmt;

namespace rolvane::jet {

// What keeps a query text from being translated.
enum class QueryFault {
    None,
    UnclosedQuote,     // a text in quotes is not closed
    UnclosedName,      // a name in brackets is not closed
    NulCharacter,      // a NUL character outside a text in quotes
    SeveralStatements, // something follows the ";"
    NotSelectAll,      // the text does not begin with "select *"
    LikeMisplaced,     // "like" without a column before it and a text in quotes after it
    BadPattern,        // the pattern after "like" is not valid
};

struct KeysetSql {
    std::string sql;                     // empty when the text cannot be translated
    std::vector<std::string> parameters; // the values of ?1, ?2, ... in `sql`, as text
    QueryFault fault = QueryFault::None; // why `sql` is empty
    std::string pattern;                 // the pattern at fault (BadPattern)
};

// Accepts "select * from ..." with an optional trailing ";". Every text in quotes becomes a bound
// parameter, so nothing typed is ever part of the SQL; comparisons and `order by` use the book's
// collation. `like` becomes jet_like(), behind a range of the collation on the pattern's first
// letter so that the index on the column still serves the query. Anything after ";" is refused.
KeysetSql toKeysetSql(std::string_view jetText);

// Binds `parameters` to ?1, ?2, ...; an SQLite result code.
int bindParameters(sqlite3_stmt* stmt, const std::vector<std::string>& parameters);

} // namespace rolvane::jet
