// SPDX-License-Identifier: GPL-3.0-or-later
// Writes contacts as vCard 4.0, so that reading the file back gives the same eleven texts.
#pragma once

#include "row_view.h"

#include <string>

namespace rolvane::exchange {

// Appends one card for `row` to `out`.
void appendVCard(const RowView& row, std::string& out);

} // namespace rolvane::exchange
