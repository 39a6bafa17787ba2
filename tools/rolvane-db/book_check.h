// SPDX-License-Identifier: GPL-3.0-or-later
// `rolvane-db check`: SQLite's integrity check with the book's collation registered, which the
// sqlite3 shell cannot run on the collated index.
#pragma once

#include <QString>

namespace rolvane::tool {

struct CheckResult {
    bool ok = false;
    QString report; // "ok", or what is wrong, one problem a line
};

// Opens the book read-only; never changes it.
CheckResult checkBook(const QString& path);

} // namespace rolvane::tool
