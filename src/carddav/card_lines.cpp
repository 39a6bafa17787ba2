// SPDX-License-Identifier: GPL-3.0-or-later
// Properties are split by the exchange property reader, so a card reads the same here as in an
// import; only the grouping of physical lines and the writing of new lines are the patcher's.
#include "card_lines.h"

#include "data/ascii_case.h"
#include "exchange/byte_source.h"
#include "exchange/vcard_property.h"
#include "exchange/vcard_writer.h"

#include <QBuffer>

namespace rolvane::carddav {

std::vector<CardLine> splitCardLines(std::string_view card) {
    // Physical lines by number, from 1, as the reader counts them for LF and CR LF ends.
    std::vector<std::string_view> physical(1);
    for (std::size_t pos = 0; pos < card.size();) {
        std::size_t end = card.find('\n', pos);
        if (end == std::string_view::npos)
            end = card.size();
        std::string_view line = card.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        physical.push_back(line);
        pos = end + 1;
    }
    QByteArray bytes = QByteArray::fromRawData(card.data(), qsizetype(card.size()));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    exchange::ByteSource source(device);
    exchange::VCardPropertyReader reader(source, exchange::VCardPropertyReader::Binary::Keep);
    std::vector<CardLine> lines;
    std::vector<long long> starts;
    exchange::VCardProperty p;
    for (;;) {
        const auto result = reader.next(p);
        if (result == exchange::VCardPropertyReader::Result::End)
            break;
        if (result != exchange::VCardPropertyReader::Result::Property)
            continue; // damaged lines are dropped, as an import drops them
        lines.push_back({p.text(), asciiUpperCase(p.name()), {}});
        starts.push_back(p.line());
    }
    starts.push_back(reader.lineNumber());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string raw, joined;
        for (long long n = starts[i];
             n < starts[i + 1] && n < static_cast<long long>(physical.size()); ++n) {
            std::string_view line = physical[std::size_t(n)];
            if (line.empty())
                continue;
            raw.append(line).append("\r\n");
            joined.append(n == starts[i] ? line : line.substr(1));
        }
        // Kept only when it is exactly the property read; anything else is folded anew.
        if (joined == lines[i].text)
            lines[i].raw = std::move(raw);
    }
    return lines;
}

std::size_t valueStart(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            return i + 1;
    }
    return std::string_view::npos;
}

void appendFolded(std::string& out, std::string_view line) {
    const std::size_t start = out.size();
    out += line;
    exchange::endLine(out, start);
}

std::string escapeValue(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    exchange::escapeInto(out, text);
    return out;
}

} // namespace rolvane::carddav
