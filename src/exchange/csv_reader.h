// SPDX-License-Identifier: GPL-3.0-or-later
// Reads contacts from CSV (RFC 4180, "," or ";" or tab as the header shows) with any of the
// headers ColumnLayout knows.
#pragma once

#include "byte_source.h"
#include "read_result.h"

namespace rolvane::exchange {

inline constexpr std::size_t kMaxCsvFields = 4096;

std::optional<Problem> readCsv(ByteSource& in, const ReadCallbacks& callbacks);

} // namespace rolvane::exchange
