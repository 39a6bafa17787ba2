// SPDX-License-Identifier: GPL-3.0-or-later
// The fixed path goes through the same mapping the program uses, so both always agree.
#include "book_location.h"

#include "data/contact_table.h"
#include "platform/windows_path.h"

#include <QDir>
#include <QFileInfo>

namespace rolvane::tool {

QString bookPath(const QString& file) {
    return file.isEmpty() ? platform::nativePath(kDatabaseName) : file;
}

QString makeFolderFor(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    if (QFileInfo(folder).isDir())
        return {};
    if (!QDir().mkpath(folder))
        return QStringLiteral("Could not create the folder \"%1\".").arg(folder);
    return {};
}

} // namespace rolvane::tool
