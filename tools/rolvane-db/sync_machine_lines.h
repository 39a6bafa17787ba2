// SPDX-License-Identifier: GPL-3.0-or-later
// What `rolvane-db sync --machine` prints: one line per event, fields separated by tabs, the
// first field naming the event. The window reads these lines from its child process.
#pragma once

#include "carddav/sync_engine.h"

#include <QString>
#include <QStringList>

namespace rolvane::tool {

// progress TAB sending|listing|fetching TAB done TAB total (0: not known) TAB words
QString progressLine(const carddav::SyncProgress& progress);
// warning TAB words
QString warningLine(const QString& words);
// conflict TAB name
QString conflictLine(const QString& name);
// result TAB kind TAB new here TAB changed here TAB deleted here TAB sent TAB deleted there TAB
// conflicts TAB paired TAB words; the kind is one word ("done", "network", "cancelled"...).
QString resultLine(const carddav::SyncSummary& summary, const QString& words);

// The fields joined by tabs, each with its tabs and line ends made spaces: the lines of
// `sync add --machine`, which the manual page lists.
QString machineLine(const QStringList& fields);

// Writes the line and flushes, so a reader sees it at once; safe from the sync's thread.
void printMachineLine(const QString& line);

} // namespace rolvane::tool
