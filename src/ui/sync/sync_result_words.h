// SPDX-License-Identifier: GPL-3.0-or-later
// How a sync ended, in plain words for the Sync window: a short status and the result text,
// which names the contacts with a conflict.
#pragma once

#include "sync_child.h"

#include <QStringList>

namespace rolvane::ui {

struct SyncReport {
    QString status;
    QString text;
};

// `outcome` and `words` come from the child's result line (empty when none came).
SyncReport describeSync(const SyncEnd& end, const QString& outcome, const QString& words,
                        const QStringList& conflicts, const QStringList& warnings);

} // namespace rolvane::ui
