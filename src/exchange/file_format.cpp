// SPDX-License-Identifier: GPL-3.0-or-later
// Text files may start with a byte-order mark (UTF-16 ones must); it is read past before looking.
#include "file_format.h"

#include "data/access_file.h"

#include <QString>
#include <QStringDecoder>

namespace rolvane::exchange {

FileFormat detectFormat(const QByteArray& head) {
    if (isAccessFile(head))
        return FileFormat::Access;
    QString text;
    if (head.startsWith("\xFF\xFE"))
        text = QStringDecoder(QStringConverter::Utf16LE).decode(head.mid(2));
    else if (head.startsWith("\xFE\xFF"))
        text = QStringDecoder(QStringConverter::Utf16BE).decode(head.mid(2));
    else if (head.contains('\0'))
        return FileFormat::Unknown;
    else
        text = QString::fromLatin1(head.startsWith("\xEF\xBB\xBF") ? head.mid(3) : head);
    const QString start = text.trimmed();
    if (start.startsWith(QLatin1String("BEGIN:VCARD"), Qt::CaseInsensitive))
        return FileFormat::VCard;
    if (start.isEmpty())
        return FileFormat::Unknown;
    return FileFormat::Csv;
}

} // namespace rolvane::exchange
