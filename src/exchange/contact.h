// SPDX-License-Identifier: GPL-3.0-or-later
// One contact as an import or the set-up tool writes it: each column a text or nothing (NULL).
#pragma once

#include "data/contact_table.h"

#include <array>
#include <optional>
#include <string>

namespace rolvane::tool {

struct Contact {
    std::optional<std::string> firstName = {}, lastName = {}, ph1 = {}, ph2 = {}, ph3 = {},
                               email = {}, bus = {}, fax = {}, addy = {}, comments = {},
                               lastUpdate = {};
};

// The values in the order of kColumnNames.
inline std::array<const std::optional<std::string>*, kColumnNames.size()>
columnValues(const Contact& c) {
    return {&c.firstName, &c.lastName, &c.ph1,  &c.ph2,      &c.ph3,       &c.email,
            &c.bus,       &c.fax,      &c.addy, &c.comments, &c.lastUpdate};
}

} // namespace rolvane::tool
