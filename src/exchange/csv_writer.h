// SPDX-License-Identifier: GPL-3.0-or-later
// Writes contacts as CSV with the book's own eleven column names, which the reader takes back
// one to one.
#pragma once

#include "row_view.h"

#include <string>

namespace rolvane::exchange {

// The byte-order mark (spreadsheets need it to read UTF-8) and the header line.
void appendCsvHeader(std::string& out);
void appendCsvRow(const RowView& row, std::string& out);

} // namespace rolvane::exchange
