// SPDX-License-Identifier: GPL-3.0-or-later
// The one mapping of the program's Windows paths.
#include "windows_path.h"

#include <QDir>

namespace rolvane::platform {

QString nativePath(std::string_view windowsPath) {
    const QString path = QString::fromUtf8(windowsPath);
#ifdef Q_OS_WIN
    return path;
#else
    QString rest = path;
    if (rest.size() >= 2 && rest.at(1) == QLatin1Char(':') &&
        rest.at(0).toUpper() == QLatin1Char('C'))
        rest = rest.mid(2);
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (rest.startsWith(QLatin1Char('/')))
        rest.remove(0, 1);
    return QDir::homePath() + QStringLiteral("/.local/share/Rolvane/") + rest;
#endif
}

} // namespace rolvane::platform
