// SPDX-License-Identifier: GPL-3.0-or-later
// Comparing a contact's texts, line ends aside.
#include "contact_texts.h"

namespace rolvane::exchange {

std::string normalised(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out += text[i];
            continue;
        }
        out += '\n';
        if (i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
    }
    return out;
}

namespace {

// The next character of `text` from `i` with CR LF and CR read as LF; -1 at the end.
int nextNormalised(std::string_view text, std::size_t& i) {
    if (i >= text.size())
        return -1;
    const char c = text[i++];
    if (c != '\r')
        return static_cast<unsigned char>(c);
    if (i < text.size() && text[i] == '\n')
        ++i;
    return '\n';
}

} // namespace

bool sameField(const Texts& a, const Texts& b, std::size_t field) {
    const std::string& x = a[field];
    const std::string& y = b[field];
    if (x == y)
        return true;
    // Compared as normalised, without making copies: most fields compared differ at once.
    std::size_t i = 0, j = 0;
    for (;;) {
        const int c = nextNormalised(x, i);
        if (c != nextNormalised(y, j))
            return false;
        if (c < 0)
            return true;
    }
}

bool sameFields(const Texts& a, const Texts& b) {
    for (std::size_t f = 0; f < kMergedFields; ++f)
        if (!sameField(a, b, f))
            return false;
    return true;
}

} // namespace rolvane::exchange
