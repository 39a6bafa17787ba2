// SPDX-License-Identifier: GPL-3.0-or-later
// Reads the contacts of one table of an Access (Jet 3, Jet 4 or ACE) file, never writing to it.
#pragma once

#include "read_result.h"

#include <QString>

namespace rolvane::exchange {

// `table` empty means the table named Rolvane: the old program's own book.
std::optional<Problem> readAccess(const QString& path, const QString& table,
                                  const ReadCallbacks& callbacks);

} // namespace rolvane::exchange
