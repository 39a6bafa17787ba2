// Reads the contacts of one table of an Access (Jet 3, Jet 4 or ACE) file, never writing to it.
#pragma once

#include "read_result.h"

#include <QString>

namespace rolvane::exchange {

// libmdb reads the file in a child process: a damaged file that makes it crash, loop or eat
// memory costs that child, which is stopped past these limits, and the caller gets a problem.
struct AccessLimits {
    int silentSeconds = 30;                          // longest wait for the next row
    long long residentBytes = std::int64_t(1) << 30; // most memory the child may hold
};

// `table` empty means the table named Rolvane: the old program's own book. A table named by
// the user needs a name, phone or e-mail column; the book's own table needs a name and one more.
std::optional<Problem> readAccess(const QString& path, const QString& table,
                                  const ReadCallbacks& callbacks, const AccessLimits& limits = {});

} // namespace rolvane::exchange
