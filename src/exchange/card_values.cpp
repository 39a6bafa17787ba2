// SPDX-License-Identifier: GPL-3.0-or-later
// A 2.1 value is either plain printable ASCII on one short line or quoted-printable: folding a
// plain 2.1 line is read two ways (some readers keep the folding blank, this program drops it), and
// raw 8-bit bytes are outside 2.1 unless a reader is told, so neither is ever written.
#include "card_values.h"

#include "card_lines.h"
#include "data/ascii_case.h"
#include "vcard_writer.h"

namespace rolvane::exchange {

namespace {

// The widest physical line quoted-printable allows, its soft break included.
constexpr std::size_t kQuotedLineWidth = 76;

// ENCODING and CHARSET, and the bare encoding words 2.1 allows in their place.
bool describesBytes(std::string_view parameter) {
    const std::size_t eq = parameter.find('=');
    if (eq != std::string_view::npos) {
        const std::string_view name = parameter.substr(0, eq);
        return sameAsciiName(name, "ENCODING") || sameAsciiName(name, "CHARSET");
    }
    for (std::string_view word : {"QUOTED-PRINTABLE", "BASE64", "8BIT", "7BIT"})
        if (sameAsciiName(parameter, word))
            return true;
    return false;
}

// `head` without the parameters that describe how its old value was written.
std::string headWithoutEncoding(std::string_view head, bool& hadCharset) {
    std::string out;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= head.size(); ++i) {
        if (i < head.size() && head[i] == '"')
            quoted = !quoted;
        if (i < head.size() && (head[i] != ';' || quoted))
            continue;
        const std::string_view part = head.substr(start, i - start);
        if (start == 0) {
            out = part;
        } else if (!describesBytes(part)) {
            out += ';';
            out += part;
        } else if (part.find('=') != std::string_view::npos &&
                   sameAsciiName(part.substr(0, part.find('=')), "CHARSET")) {
            hadCharset = true;
        }
        start = i + 1;
    }
    return out;
}

bool isPrintableAscii(char c) {
    return c >= 0x20 && c <= 0x7E;
}

// Quoted-printable after `out`'s last line, which starts at `lineStart`: soft breaks keep every
// physical line within kQuotedLineWidth and never split an "=XX"; line breaks become =0D=0A.
// A blank is written as it is unless it ends the value, where transports may strip it, or starts
// a line, which a reader that unfolds before it decodes would take for a fold.
void appendQuotedPrintable(std::string& out, std::size_t lineStart, std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::size_t used = out.size() - lineStart;
    auto put = [&](std::string_view unit) {
        if (used + unit.size() > kQuotedLineWidth - 1) {
            out += "=\r\n";
            used = 0;
        }
        if (used == 0 && (unit == " " || unit == "\t"))
            unit = unit == " " ? "=20" : "=09";
        out += unit;
        used += unit.size();
    };
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        const bool last = i + 1 == value.size();
        if (c == '\r' || c == '\n') {
            put("=0D");
            put("=0A");
            if (c == '\r' && !last && value[i + 1] == '\n')
                ++i;
        } else if ((isPrintableAscii(c) && c != '=' && c != ' ') ||
                   ((c == ' ' || c == '\t') && !last)) {
            put(std::string_view(&c, 1));
        } else {
            const auto byte = static_cast<unsigned char>(c);
            const char unit[] = {'=', kHex[byte >> 4], kHex[byte & 15]};
            put(std::string_view(unit, 3));
        }
    }
    out += "\r\n";
}

} // namespace

std::string escapeText(std::string_view text, bool v21) {
    if (v21)
        return std::string(text); // 2.1 has no escapes in a value of one text
    std::string out;
    out.reserve(text.size());
    escapeInto(out, text);
    return out;
}

// 2.1 defines one escape, "\;" for a semicolon inside a component, and it is written: a reader
// that does not know it splits the component there, which loses less than a reader that knows it
// joining two components would. Readers differ on "\\", so a backslash is doubled only where one
// that knows "\\" would otherwise take it for an escape (before ";", "\" or ":", and at the end,
// where the separator follows); a lone backslash reads the same to either kind.
std::string escapeComponent(std::string_view text, bool v21) {
    if (!v21)
        return escapeText(text, false);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : ';';
        if (text[i] == ';')
            out += "\\;";
        else if (text[i] == '\\' && (next == ';' || next == '\\' || next == ':'))
            out += "\\\\";
        else
            out += text[i];
    }
    return out;
}

std::string telUri(std::string_view number) {
    std::string out = "tel:+", ext;
    std::size_t i = 0;
    while (i < number.size() && number[i] == ' ')
        ++i;
    if (i == number.size() || number[i++] != '+')
        return {};
    bool digits = false;
    for (; i < number.size(); ++i) {
        const char c = number[i];
        if (c >= '0' && c <= '9') {
            out += c;
            digits = true;
        } else if (c == ' ' || c == '-' || c == '.' || c == '(' || c == ')') {
            if (out.back() != '-' && out.back() != '+')
                out += '-';
        } else {
            // "ext. 23", "x23", ";ext=23": the rest is the extension.
            std::string_view rest = number.substr(i);
            for (std::string_view mark : {";ext=", "ext.", "ext", "x"})
                if (rest.size() > mark.size() && sameAsciiName(rest.substr(0, mark.size()), mark)) {
                    rest.remove_prefix(mark.size());
                    break;
                }
            for (char d : rest)
                if (d >= '0' && d <= '9')
                    ext += d;
                else if (d != ' ')
                    return {};
            if (ext.empty())
                return {};
            break;
        }
    }
    while (out.back() == '-')
        out.pop_back();
    if (!digits)
        return {};
    return ext.empty() ? out : out + ";ext=" + ext;
}

std::string writeProperty(std::string_view head, std::string_view value, bool v21) {
    bool hadCharset = false;
    std::string out = headWithoutEncoding(head, hadCharset);
    if (!v21) {
        out += ':';
        out += value;
        std::string folded;
        appendFolded(folded, out);
        return folded;
    }
    bool ascii = true, plain = true;
    for (char c : value) {
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        plain = plain && isPrintableAscii(c);
    }
    plain = plain && (value.empty() || value.back() != ' ') &&
            out.size() + 1 + value.size() <= kQuotedLineWidth;
    // A character set the old value named is replaced rather than dropped: ASCII in Shift_JIS
    // is not quite ASCII (its 0x5C is a yen sign).
    if (!ascii || hadCharset)
        out += ";CHARSET=UTF-8";
    if (!plain)
        out += ";ENCODING=QUOTED-PRINTABLE";
    out += ':';
    if (plain) {
        out += value;
        out += "\r\n";
    } else {
        appendQuotedPrintable(out, 0, value);
    }
    return out;
}

} // namespace rolvane::exchange
