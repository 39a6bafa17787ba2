// SPDX-License-Identifier: GPL-3.0-or-later
// The insert of one whole contact row, written once for the program, the set-up tool and the tests.
#pragma once

#include "contact_table.h"
#include "sqlite_db.h"

#include <array>
#include <optional>
#include <string_view>

namespace rolvane {

// UTF-8 values in table order; an empty optional stores NULL.
using ContactValues = std::array<std::optional<std::string_view>, kColumnNames.size()>;

class ContactInsert {
public:
    int prepare(const sqlite::Connection& db);
    bool isPrepared() const { return insert_.isPrepared(); }
    void finalize() { insert_.finalize(); }
    // Stores one row; SQLITE_DONE when it went in. The values need only outlive the call.
    int insert(const ContactValues& values);

private:
    sqlite::Statement insert_;
};

} // namespace rolvane
