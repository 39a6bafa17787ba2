// SPDX-License-Identifier: GPL-3.0-or-later
// One stored contact as the writers see it: the eleven column texts, in the table's order,
// borrowed from the statement that read them.
#pragma once

#include "data/contact_table.h"

#include <array>
#include <string_view>

namespace rolvane::exchange {

using RowView = std::array<std::string_view, kColumnNames.size()>;

} // namespace rolvane::exchange
