// SPDX-License-Identifier: GPL-3.0-or-later
// Recognises the Access (Jet or ACE) files that earlier address books were kept in, so that one
// found where the book belongs can be named for what it is.
#pragma once

#include <QByteArray>
#include <QString>

namespace rolvane {

// `head`: the first bytes of a file. Access files begin with 00 01 00 00 and "Standard Jet DB" or
// "Standard ACE DB".
bool isAccessFile(const QByteArray& head);
bool fileIsAccessDatabase(const QString& path);

} // namespace rolvane
