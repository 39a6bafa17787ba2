// SPDX-License-Identifier: GPL-3.0-or-later
// Properties are split by the exchange property reader, so a card reads the same here as in an
// import; only the grouping of physical lines and the writing of new lines are the patcher's.
#include "card_lines.h"

#include "byte_source.h"
#include "data/ascii_case.h"
#include "vcard_property.h"
#include "vcard_value.h"
#include "vcard_writer.h"

#include <QBuffer>
#include <algorithm>

namespace rolvane::exchange {

namespace {

// Joins the physical line `next` to the logical line `joined` as the property reader does: a
// quoted-printable soft break (even before a blank line), a fold, or (2.1) a backslash before a
// bare line, which stands for a line break. Base64 in bare lines is joined as it is; other blank
// lines are no part of the property.
void joinPhysical(std::string& joined, std::string_view next, bool qp) {
    if (qp && !joined.empty() && joined.back() == '=') {
        joined.pop_back();
        joined.append(next);
    } else if (next.empty()) {
        return;
    } else if (next.front() == ' ' || next.front() == '\t') {
        joined.append(next.substr(1));
    } else if (!joined.empty() && joined.back() == '\\') {
        joined.back() = '\n';
        joined.append(next);
    } else {
        joined.append(next);
    }
}

} // namespace

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
    ByteSource source(device);
    VCardPropertyReader reader(source, VCardPropertyReader::Binary::Keep);
    std::vector<CardLine> lines;
    std::vector<long long> starts;
    VCardProperty p;
    for (;;) {
        const auto result = reader.next(p);
        if (result == VCardPropertyReader::Result::End)
            break;
        if (result != VCardPropertyReader::Result::Property)
            continue; // damaged lines are dropped, as an import drops them
        lines.push_back({p.text(), asciiUpperCase(p.name()), {}, p.isQuotedPrintable(), p.line()});
        starts.push_back(p.line());
    }
    starts.push_back(reader.lineNumber());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string raw, joined;
        for (long long n = starts[i];
             n < starts[i + 1] && n < static_cast<long long>(physical.size()); ++n) {
            std::string_view line = physical[std::size_t(n)];
            raw.append(line).append("\r\n");
            if (n == starts[i])
                joined = line;
            else
                joinPhysical(joined, line, lines[i].quotedPrintable);
        }
        // Kept only when it is exactly the property read; anything else is folded anew.
        if (joined == lines[i].text)
            lines[i].raw = std::move(raw);
    }
    return lines;
}

std::string decodedValue(std::string_view version, std::string_view lines) {
    // After a VERSION, so that 2.1's continuation lines are joined as they are in the card.
    QByteArray bytes = "VERSION:" + QByteArray::fromStdString(std::string(version)) + "\r\n";
    bytes.append(lines.data(), qsizetype(lines.size()));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    ByteSource source(device);
    VCardPropertyReader reader(source, VCardPropertyReader::Binary::Keep);
    VCardProperty p;
    using Result = VCardPropertyReader::Result;
    if (reader.next(p) != Result::Property || reader.next(p) != Result::Property)
        return {};
    std::string scratch;
    return std::string(decodedValue(p, scratch));
}

std::vector<std::string> splitRawComponents(std::string_view value) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            parts.back() += value.substr(i, 2);
            ++i;
        } else if (value[i] == ';') {
            parts.emplace_back();
        } else {
            parts.back() += value[i];
        }
    }
    return parts;
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
    endLine(out, start);
}

// A quoted-printable value is folded by soft breaks, never inside an "=XX": a folding blank
// after a "=" would be read as a soft break followed by a blank. A line break in any other value
// is where a 2.1 value went on after a backslash, and is written so again.
void appendAnew(std::string& out, const CardLine& line) {
    std::string_view text = line.text;
    if (!line.quotedPrintable) {
        for (std::size_t end; (end = text.find('\n')) != std::string_view::npos;) {
            appendFolded(out, std::string(text.substr(0, end)) + '\\');
            text.remove_prefix(end + 1);
        }
        appendFolded(out, text);
        return;
    }
    const std::size_t start = std::min(valueStart(text), text.size());
    out.append(text.substr(0, start));
    std::size_t used = start;
    for (std::size_t i = start; i < text.size();) {
        const std::size_t n = text[i] == '=' ? std::min<std::size_t>(3, text.size() - i) : 1;
        if (used + n > 75) {
            out += "=\r\n";
            used = 0;
        }
        out.append(text.substr(i, n));
        used += n;
        i += n;
    }
    out += "\r\n";
}

} // namespace rolvane::exchange
