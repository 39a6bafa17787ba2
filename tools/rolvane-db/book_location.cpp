// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed path goes through the same mapping the program uses, so both always agree.
#include "book_location.h"

#include "data/contact_table.h"
#include "platform/windows_path.h"

namespace rolvane::tool {

QString bookPath(const QString& file) {
    return file.isEmpty() ? platform::nativePath(kDatabaseName) : file;
}

} // namespace rolvane::tool
