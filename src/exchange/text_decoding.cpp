// Decoders go through Qt, which knows the character sets that exporters name (Shift_JIS and the
// like); pure UTF-8, the common case, never leaves std::string.
#include "text_decoding.h"

#include "data/ascii_case.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

namespace rolvane::exchange {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string decodeWith(std::string_view bytes, const char* charset) {
    QStringDecoder decoder(charset);
    if (!decoder.isValid())
        return {};
    const QString text = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), std::size_t(utf8.size()));
}

} // namespace

std::string decodeQuotedPrintable(std::string_view encoded) {
    std::string out;
    out.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c != '=') {
            out += c;
            continue;
        }
        const int hi = i + 1 < encoded.size() ? hexValue(encoded[i + 1]) : -1;
        const int lo = i + 2 < encoded.size() ? hexValue(encoded[i + 2]) : -1;
        if (hi >= 0 && lo >= 0) {
            out += char(hi * 16 + lo);
            i += 2;
            continue;
        }
        // A stray "=" (a soft break left at the end, or damage) is dropped at the end, kept inside.
        if (i + 1 < encoded.size())
            out += c;
    }
    return out;
}

bool isUtf8(std::string_view bytes) {
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        unsigned min = 0;
        unsigned cp = 0;
        if ((c & 0xE0) == 0xC0)
            len = 2, min = 0x80, cp = c & 0x1F;
        else if ((c & 0xF0) == 0xE0)
            len = 3, min = 0x800, cp = c & 0x0F;
        else if ((c & 0xF8) == 0xF0)
            len = 4, min = 0x10000, cp = c & 0x07;
        else
            return false;
        if (i + len > n)
            return false;
        for (std::size_t k = 1; k < len; ++k) {
            const auto d = static_cast<unsigned char>(bytes[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

std::string toUtf8(std::string_view bytes, std::string_view charset) {
    if (charset.empty() || sameAsciiName(charset, "UTF-8") || sameAsciiName(charset, "US-ASCII") ||
        sameAsciiName(charset, "ASCII")) {
        if (isUtf8(bytes))
            return std::string(bytes);
        return decodeWith(bytes, "windows-1252");
    }
    const std::string name(charset);
    QStringDecoder probe(name.c_str());
    if (!probe.isValid())
        return toUtf8(bytes, {});
    return decodeWith(bytes, name.c_str());
}

} // namespace rolvane::exchange
