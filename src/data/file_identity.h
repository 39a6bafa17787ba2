// SPDX-License-Identifier: GPL-3.0-or-later
// Which file a path names right now, so that a book replaced under its name (deleted and made
// anew, or another file moved into its place) is told from the one opened.
#pragma once

#include <QString>
#include <QtGlobal>
#include <utility>

namespace rolvane {

// Device and inode; zeros when the path names nothing, and everywhere on systems where an open
// file cannot be replaced.
using FileIdentity = std::pair<quint64, quint64>;
FileIdentity fileIdentity(const QString& path);

} // namespace rolvane
