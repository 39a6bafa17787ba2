// SPDX-License-Identifier: GPL-3.0-or-later
#include "access_file.h"

#include <QFile>

namespace rolvane {

bool isAccessFile(const QByteArray& head) {
    if (head.size() < 19 || head[0] != 0 || head[1] != 1 || head[2] != 0 || head[3] != 0)
        return false;
    const QByteArray kind = head.mid(4, 15);
    return kind == "Standard Jet DB" || kind == "Standard ACE DB";
}

bool fileIsAccessDatabase(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && isAccessFile(file.read(19));
}

} // namespace rolvane
