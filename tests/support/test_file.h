// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a test's input file; a test that cannot write its input has nothing to check.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

namespace rolvane::test {

// Writes `bytes` to `path` and returns the path; stops the test program when it cannot.
inline QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("could not write %s", qPrintable(path));
    return path;
}

} // namespace rolvane::test
