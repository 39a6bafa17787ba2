// SPDX-License-Identifier: GPL-3.0-or-later
// Standard properties carry what other programs understand; X-ROLVANE-FIELD on a number names its
// column and X-ROLVANE-LAST-UPDATE keeps the stamp's own text.
#include "vcard_writer.h"

#include <algorithm>

namespace rolvane::exchange {

namespace {

enum Column { First, Last, Ph1, Ph2, Ph3, Email, Bus, Fax, Addy, Comments, LastUpdate };

} // namespace

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

void property(std::string& out, std::string_view head, std::string_view value) {
    const std::size_t start = out.size();
    out += head;
    out += ':';
    escapeInto(out, value);
    endLine(out, start);
}

void phone(std::string& out, const RowView& row, Column column, std::string_view types) {
    if (row[column].empty())
        return;
    std::string head = "TEL;VALUE=text;TYPE=";
    head += types;
    head += ";X-ROLVANE-FIELD=";
    head += kColumnNames[column];
    property(out, head, row[column]);
}

} // namespace

void appendVCard(const RowView& row, std::string& out) {
    out += "BEGIN:VCARD\r\nVERSION:4.0\r\n";
    std::string full(row[First]);
    if (!full.empty() && !row[Last].empty())
        full += ' ';
    full += row[Last];
    property(out, "FN", full);
    {
        const std::size_t start = out.size();
        out += "N:";
        escapeInto(out, row[Last]);
        out += ';';
        escapeInto(out, row[First]);
        out += ";;;";
        endLine(out, start);
    }
    phone(out, row, Ph1, "voice");
    phone(out, row, Ph2, "voice");
    phone(out, row, Ph3, "voice");
    phone(out, row, Bus, "work,voice");
    phone(out, row, Fax, "fax");
    if (!row[Email].empty())
        property(out, "EMAIL", row[Email]);
    if (!row[Addy].empty()) {
        // The lines as the user typed them, in the street field: nothing to split wrongly.
        const std::size_t start = out.size();
        out += "ADR:;;";
        escapeInto(out, row[Addy]);
        out += ";;;;";
        endLine(out, start);
    }
    if (!row[Comments].empty())
        property(out, "NOTE", row[Comments]);
    // The stamp is the user's regional text, which REV cannot hold as it is.
    if (!row[LastUpdate].empty())
        property(out, "X-ROLVANE-LAST-UPDATE", row[LastUpdate]);
    out += "END:VCARD\r\n";
}

} // namespace rolvane::exchange
