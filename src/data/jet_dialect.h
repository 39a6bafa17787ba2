// Turns a query text in the Jet dialect into the SQLite statement that lists the row ids of its
// result, in its order.
#pragma once

#include <string>
#include <string_view>

namespace rolvane::jet {

struct KeysetSql {
    std::string sql;   // empty when the text cannot be translated
    std::string error; // why, in plain words
};

// Accepts "select * from ..." with an optional trailing ";". `like` becomes jet_like(), behind a
// NOCASE range on the literal prefix so that an index on the column still serves the query.
// String literals are re-quoted for SQLite; anything after the ";" is refused.
KeysetSql toKeysetSql(std::string_view jetText);

} // namespace rolvane::jet
