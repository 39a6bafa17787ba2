// SPDX-License-Identifier: GPL-3.0-or-later
// rolvane-db sync: links the book with a CardDAV address book, syncs it, shows and forgets the
// link.
#pragma once

#include <QStringList>

namespace rolvane::tool {

// `arguments` after "sync"; the exit status.
int runSyncCommand(const QStringList& arguments);

// The sync lines of the usage text.
QString syncUsage();

} // namespace rolvane::tool
