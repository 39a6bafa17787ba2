// SPDX-License-Identifier: GPL-3.0-or-later
// Detached launch through QProcess: the program runs on after the dialog and Rolvane have gone.
#include "desktop_launcher.h"

#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace rolvane::platform {

namespace {

// Up to the first NUL, as the system would read a C string; backslashes as separators.
QString nativeText(const std::string& text) {
    QString native = QString::fromUtf8(text.c_str());
    native.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return native;
}

} // namespace

bool DesktopLauncher::launch(const std::string& commandLine, int /*windowMode*/) {
    const QString line = nativeText(commandLine);
    if (line.trimmed().isEmpty())
        return false;
    const QFileInfo whole(line);
    if (whole.isFile() && whole.isExecutable())
        return QProcess::startDetached(line, {});
    QStringList arguments = QProcess::splitCommand(line);
    if (arguments.isEmpty())
        return false;
    const QString program = arguments.takeFirst();
    return QProcess::startDetached(program, arguments);
}

bool DesktopLauncher::isOrdinaryFile(const std::string& path) {
    const QString native = nativeText(path);
    if (native.isEmpty())
        return false;
    const QFileInfo file(native);
    return file.isFile() && !file.isHidden();
}

} // namespace rolvane::platform
