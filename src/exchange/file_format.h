// SPDX-License-Identifier: GPL-3.0-or-later
// Tells the kind of a contacts file from its first bytes, never from its name.
#pragma once

#include <QByteArray>

namespace rolvane::exchange {

enum class FileFormat { VCard, Csv, Access, Unknown };

// `head`: the first few hundred bytes of the file (fewer when it is shorter).
FileFormat detectFormat(const QByteArray& head);

} // namespace rolvane::exchange
