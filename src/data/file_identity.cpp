// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_identity.h"

#include <QFile>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace rolvane {

FileIdentity fileIdentity(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0)
        return {quint64(status.st_dev), quint64(status.st_ino)};
#else
    Q_UNUSED(path);
#endif
    return {};
}

} // namespace rolvane
