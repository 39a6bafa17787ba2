// SPDX-License-Identifier: GPL-3.0-or-later
// Byte-level decoding of registry values, separate from the dialog so each rule can be read alone.
#include "registry_text.h"

#include "platform/run_time_failure.h"

namespace rolvane::ui {

QByteArray cutToDataSize(std::span<const std::byte> buffer, std::uint32_t dataSize) {
    if (dataSize == 0 || dataSize > buffer.size())
        throw platform::RunTimeFailure("Invalid procedure call or argument");
    const auto* bytes = reinterpret_cast<const char*>(buffer.data());
    const bool endsInNul = bytes[dataSize - 1] == '\0';
    return QByteArray(bytes, qsizetype(endsInNul ? dataSize - 1 : dataSize));
}

QString doubleWordText(const QByteArray& bytes) {
    QString text = QStringLiteral("&h");
    for (qsizetype i = bytes.size() - 1; i >= 0; --i)
        text += QStringLiteral("%1")
                    .arg(static_cast<unsigned char>(bytes[i]), 2, 16, QLatin1Char('0'))
                    .toUpper();
    return text;
}

QString formatGeneral(const QString& text) {
    if (!text.startsWith(QLatin1String("&h"), Qt::CaseInsensitive))
        return text;
    const QString digits = text.mid(2);
    if (digits.isEmpty() || digits.size() > 8)
        return text;
    quint32 value = 0;
    for (const QChar digit : digits) {
        const int nibble = QStringLiteral("0123456789ABCDEF").indexOf(digit.toUpper());
        if (nibble < 0)
            return text;
        value = value << 4 | quint32(nibble);
    }
    // Eight digits with the top bit set are a negative number, as a 32-bit literal is.
    return QString::number(static_cast<qint32>(value));
}

} // namespace rolvane::ui
