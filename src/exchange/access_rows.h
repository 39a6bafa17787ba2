// The rows of one table of an Access file, as libmdb reads them: texts in UTF-8, binary and OLE
// columns left empty. libmdb trusts the file, so a damaged one can make it loop or eat memory;
// this runs in a child process of its own (see access_reader.cpp), never in the caller's.
#pragma once

#include "read_result.h"

#include <string>
#include <vector>

namespace rolvane::exchange {

class AccessRowSink {
public:
    virtual ~AccessRowSink() = default;
    // The table's column names, before its first row. False stops the reading.
    virtual bool header(const std::vector<std::string>& names) = 0;
    // One row, numbered from 1; `cut` names a column whose text was too long to keep whole.
    virtual bool row(long long number, const std::vector<std::string>& fields,
                     const std::string& cut) = 0;
};

// The longest text kept of a memo; a longer one is cut and reported through `cut`.
inline constexpr std::size_t kMaxAccessText = std::size_t(64) << 10;
// More columns than Access allows in a table: the file is damaged.
inline constexpr std::size_t kMaxAccessColumns = 255;

// `table` empty means the table named Rolvane. Returns the problem that stopped the file.
std::optional<Problem> readAccessRows(const std::string& path, const std::string& table,
                                      AccessRowSink& sink);

} // namespace rolvane::exchange
