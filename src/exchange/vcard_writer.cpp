// SPDX-License-Identifier: GPL-3.0-or-later
// A contact goes out through the same mapping a sync sends it by: Comments' labelled lines become
// the properties they show, and the card's NOTE holds the free note alone.
#include "vcard_writer.h"

#include "card_labelled.h"
#include "card_lines.h"
#include "card_patch.h"
#include "card_values.h"
#include "comment_lines.h"

#include <algorithm>
#include <array>

namespace rolvane::exchange {

void escapeInto(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case ',':
            out += "\\,";
            break;
        case ';':
            out += "\\;";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            break;
        default:
            out += c;
        }
    }
}

namespace {

// Bytes that must stay on one physical line with the byte at `i`: a backslash escape, or a UTF-8
// sequence. Escapes are found from the start of the value, where they begin in pairs.
std::size_t unitAt(std::string_view line, std::size_t i, bool escape) {
    if (escape)
        return std::min<std::size_t>(2, line.size() - i);
    std::size_t n = 1;
    while (i + n < line.size() && (static_cast<unsigned char>(line[i + n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

} // namespace

// Folds the line that starts at `start` into pieces of at most 75 bytes and ends it with CRLF.
// A fold never splits an escape or a UTF-8 sequence: the reader joins the pieces again exactly.
void endLine(std::string& out, std::size_t start) {
    if (out.size() - start > 75) {
        const std::string line = out.substr(start);
        out.resize(start);
        const std::size_t valueStart = line.find(':') + 1;
        std::size_t width = 75, used = 0;
        for (std::size_t i = 0; i < line.size();) {
            const bool escape = i >= valueStart && line[i] == '\\';
            const std::size_t n = unitAt(line, i, escape);
            if (used + n > width) {
                out += "\r\n ";
                used = 0;
                width = 74;
            }
            out.append(line, i, n);
            used += n;
            i += n;
        }
    }
    out += "\r\n";
}

namespace {

// One property of a text value, escaped as it is copied: `line` is a buffer kept between calls.
void appendText(std::string& out, std::string& line, std::string_view head, std::string_view text) {
    line.assign(head);
    line += ':';
    escapeInto(line, text);
    appendFolded(out, line);
}

// A contact with no labelled lines, written straight into `out`: the very bytes exportCard
// writes (a test holds them together), without building a card to patch.
void appendPlainCard(const Texts& t, std::string& out) {
    static const std::array<std::string, kMergedFields> heads = [] {
        std::array<std::string, kMergedFields> h;
        for (Field f : {Ph1, Ph2, Ph3, Bus, Fax, Email, Addy})
            h[f] = fieldHead(f);
        return h;
    }();
    std::string line;
    out += "BEGIN:VCARD\r\nVERSION:4.0\r\n";
    std::string name = t[First];
    if (!name.empty() && !t[Last].empty())
        name += ' ';
    name += t[Last];
    const bool named = !t[First].empty() || !t[Last].empty();
    if (!named) // FN comes first when there is no N to write
        appendText(out, line, "FN", name);
    if (!t[LastUpdate].empty())
        appendText(out, line, "X-ROLVANE-LAST-UPDATE", t[LastUpdate]);
    if (named) {
        line = "N:";
        escapeInto(line, t[Last]);
        line += ';';
        escapeInto(line, t[First]);
        line += ";;;";
        appendFolded(out, line);
        appendText(out, line, "FN", name);
    }
    for (Field f : {Ph1, Ph2, Ph3, Bus, Fax, Email})
        if (!t[f].empty())
            appendText(out, line, heads[f], t[f]);
    if (!t[Addy].empty()) {
        line = heads[Addy] + ':' + addressValue(t[Addy], nullptr, false);
        appendFolded(out, line);
    }
    if (!normalised(t[Comments]).empty())
        appendText(out, line, "NOTE", t[Comments]);
    out += "END:VCARD\r\n";
}

} // namespace

void appendVCard(const RowView& row, std::string& out) {
    Texts texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = row[i];
    if (hasSeparator(texts[Comments]))
        out += exportCard(texts);
    else
        appendPlainCard(texts, out);
}

} // namespace rolvane::exchange
