// Tells the kind of a contacts file from its first bytes, never from its name.
#pragma once

#include <QByteArray>

namespace rolvane::exchange {

enum class FileFormat { VCard, Csv, Access, Unknown };

// `head`: the first few hundred bytes of the file (fewer when it is shorter).
FileFormat detectFormat(const QByteArray& head);

// An Access (Jet or ACE) database starts with 00 01 00 00 and "Standard Jet DB" or
// "Standard ACE DB".
bool isAccessFile(const QByteArray& head);

} // namespace rolvane::exchange
