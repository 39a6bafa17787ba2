// SPDX-License-Identifier: GPL-3.0-or-later
// Writes contacts as vCard 4.0, so that reading the file back gives the same eleven texts (up to
// the order of Comments' labelled lines, which the mapping fixes).
#pragma once

#include "row_view.h"

#include <string>
#include <string_view>

namespace rolvane::exchange {

// Appends one card for `row` to `out`.
void appendVCard(const RowView& row, std::string& out);

// Appends `text` with the backslash escapes of a vCard text value (line ends as \n).
void escapeInto(std::string& out, std::string_view text);
// Folds the line that starts at `start` of `out` at 75 bytes, never inside an escape or a UTF-8
// sequence, and ends it with CR LF.
void endLine(std::string& out, std::size_t start);

} // namespace rolvane::exchange
