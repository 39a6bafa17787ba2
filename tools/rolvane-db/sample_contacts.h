// SPDX-License-Identifier: GPL-3.0-or-later
// The made-up contacts of `create --sample`: enough to try every window, including the names that
// sort or match unusually.
#pragma once

#include "exchange/contact.h"

#include <vector>

namespace rolvane::tool {

const std::vector<Contact>& sampleContacts();

} // namespace rolvane::tool
