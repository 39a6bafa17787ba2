#include "vcard_value.h"

#include "text_decoding.h"

#include <algorithm>

namespace rolvane::exchange {

namespace {

// Line ends inside a decoded value become LF, the book's own line end.
void normaliseLineEnds(std::string& s) {
    if (s.find('\r') == std::string::npos)
        return;
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            out += '\n';
            if (i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
        } else {
            out += s[i];
        }
    }
    s = std::move(out);
}

} // namespace

std::string_view decodedValue(const VCardProperty& p, std::string& scratch) {
    const std::string_view value = p.value();
    const bool qp = p.isQuotedPrintable();
    const std::string_view charset = p.parameter("CHARSET");
    // Plain UTF-8, the common case, is used where it lies.
    if (!qp && charset.empty() && value.find('\r') == std::string_view::npos && isUtf8(value))
        return value;
    scratch = toUtf8(qp ? decodeQuotedPrintable(value) : value, charset);
    normaliseLineEnds(scratch);
    return scratch;
}

std::string unescapeText(std::string_view s, bool v21) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char next = s[i + 1];
        const bool literal =
            next == '\\' || next == ';' || next == ':' || (!v21 && (next == ',' || next == '"'));
        if (literal) {
            out += next;
            ++i;
        } else if (!v21 && (next == 'n' || next == 'N')) {
            out += '\n';
            ++i;
        } else {
            out += '\\';
        }
    }
    return out;
}

std::vector<std::string> splitComponents(std::string_view s, bool v21) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\') {
            ++i;
        } else if (s[i] == ';') {
            parts.push_back(unescapeText(s.substr(start, i - start), v21));
            start = i + 1;
        }
    }
    parts.push_back(unescapeText(s.substr(std::min(start, s.size())), v21));
    return parts;
}

} // namespace rolvane::exchange
