// SPDX-License-Identifier: GPL-3.0-or-later
// The sync's view of a contact: comparing texts and keeping them in one column.
#include "texts.h"

#include <QString>
#include <charconv>

namespace rolvane::carddav {

bool sameFields(const PackedTexts& a, const PackedTexts& b) {
    return a.packed() == b.packed() || sameFields(Texts(a), Texts(b));
}

QString contactName(const Texts& texts) {
    const QString name = QString::fromStdString(texts[First] + ' ' + texts[Last]).trimmed();
    if (!name.isEmpty())
        return name;
    for (std::size_t field = Ph1; field < kMergedFields; ++field)
        if (!texts[field].empty())
            return QString::fromStdString(texts[field]).section(QLatin1Char('\n'), 0, 0);
    return QStringLiteral("(no name)");
}

std::string encodeTexts(const Texts& texts) {
    std::string out;
    for (const std::string& t : texts) {
        out += std::to_string(t.size());
        out += ':';
        out += t;
    }
    return out;
}

bool decodeTexts(std::string_view encoded, Texts& texts) {
    std::size_t pos = 0;
    for (std::string& t : texts) {
        const std::size_t colon = encoded.find(':', pos);
        if (colon == std::string_view::npos)
            return false;
        std::size_t size = 0;
        const auto [end, ec] = std::from_chars(encoded.data() + pos, encoded.data() + colon, size);
        if (ec != std::errc() || end != encoded.data() + colon || size > encoded.size() - colon - 1)
            return false;
        t.assign(encoded.substr(colon + 1, size));
        pos = colon + 1 + size;
    }
    return pos == encoded.size();
}

} // namespace rolvane::carddav
