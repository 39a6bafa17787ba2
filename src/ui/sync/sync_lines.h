// SPDX-License-Identifier: GPL-3.0-or-later
// One line of `rolvane-db sync --machine`, as the Sync window uses it. A line it cannot read is
// of kind Unknown and is passed over, never trusted.
#pragma once

#include <QString>
#include <QStringView>

namespace rolvane::ui {

struct SyncLine {
    enum class Kind { Unknown, Progress, Warning, Conflict, Result };
    Kind kind = Kind::Unknown;
    // Progress, warning and result: the words; conflict: the contact's name.
    QString words;
    int done = 0, total = 0; // progress; total 0 when not known
    QString outcome;         // result: "done", "cancelled", "network"...
};

SyncLine readSyncLine(QStringView line);

} // namespace rolvane::ui
