// SPDX-License-Identifier: GPL-3.0-or-later
// The Jet pattern matcher and its SQLite function. Patterns are parsed once per statement and
// cached as the function's auxiliary data.
#include "jet_like.h"

#include "name_collation.h"

#include <memory>
#include <sqlite3.h>

namespace rolvane::jet {

std::u32string decodeUtf8(std::string_view in) {
    std::u32string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size();) {
        const auto b = static_cast<unsigned char>(in[i]);
        const int extra = b < 0x80           ? 0
                          : (b >> 5) == 0x6  ? 1
                          : (b >> 4) == 0xE  ? 2
                          : (b >> 3) == 0x1E ? 3
                                             : -1;
        char32_t c = extra <= 0 ? b : (b & (0x3F >> extra));
        bool ok = extra >= 0 && i + size_t(extra) < in.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto cont = static_cast<unsigned char>(in[i + size_t(k)]);
            ok = (cont & 0xC0) == 0x80;
            c = (c << 6) | (cont & 0x3F);
        }
        // The shortest form only, and no surrogate or value beyond Unicode.
        static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        ok = ok && c >= kLeast[extra] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
        if (!ok) {
            out.push_back(U'\uFFFD'); // invalid bytes stand for one unknown character each
            ++i;
            continue;
        }
        out.push_back(c);
        i += size_t(extra) + 1;
    }
    return out;
}

std::string encodeUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::optional<LikePattern> LikePattern::parse(std::string_view utf8) {
    const std::u32string p = decodeUtf8(utf8);
    LikePattern pattern;
    bool inPrefix = true;
    for (size_t i = 0; i < p.size(); ++i) {
        Token token;
        token.kind = Token::Literal;
        switch (p[i]) {
        case U'*':
            token.kind = Token::AnyRun;
            break;
        case U'?':
            token.kind = Token::AnyChar;
            break;
        case U'#':
            token.kind = Token::Digit;
            break;
        case U'[': {
            const size_t close = p.find(U']', i + 1);
            if (close == std::u32string::npos)
                return std::nullopt;
            std::u32string_view body(p.data() + i + 1, close - i - 1);
            i = close;
            if (body.empty()) {
                token.kind = Token::Nothing;
                break;
            }
            token.kind = Token::Set;
            if (body.front() == U'!') {
                token.negated = true;
                body.remove_prefix(1);
            }
            for (size_t k = 0; k < body.size(); ++k) {
                if (k + 2 < body.size() && body[k + 1] == U'-') {
                    token.ranges.push_back({body[k], body[k + 2]});
                    k += 2;
                } else {
                    token.ranges.push_back({body[k], body[k]});
                }
            }
            break;
        }
        default:
            token.ch = p[i];
            if (inPrefix)
                pattern.prefix_.push_back(p[i]);
            break;
        }
        if (token.kind != Token::Literal)
            inPrefix = false;
        pattern.tokens_.push_back(std::move(token));
    }
    return pattern;
}

bool LikePattern::matchesOne(const Token& token, char32_t c) const {
    switch (token.kind) {
    case Token::Literal:
        return collation::sameLetter(token.ch, c);
    case Token::AnyChar:
        return true;
    case Token::Digit:
        return c >= U'0' && c <= U'9';
    case Token::Set: {
        bool in = false;
        for (const Range& r : token.ranges)
            in = in || (r.low == r.high ? collation::sameLetter(r.low, c)
                                        : collation::letterBetween(c, r.low, r.high));
        return in != token.negated;
    }
    case Token::AnyRun:
    case Token::Nothing:
        break;
    }
    return false;
}

bool LikePattern::matches(std::string_view utf8Text) const {
    const std::u32string text = decodeUtf8(utf8Text);
    constexpr size_t none = size_t(-1);
    size_t t = 0, s = 0, starT = none, starS = 0;
    const size_t n = tokens_.size();
    while (s < text.size()) {
        if (t < n && tokens_[t].kind == Token::AnyRun) {
            starT = t++;
            starS = s;
        } else if (t < n && tokens_[t].kind == Token::Nothing) {
            ++t;
        } else if (t < n && matchesOne(tokens_[t], text[s])) {
            ++t;
            ++s;
        } else if (starT != none) {
            t = starT + 1;
            s = ++starS;
        } else {
            return false;
        }
    }
    while (t < n && (tokens_[t].kind == Token::AnyRun || tokens_[t].kind == Token::Nothing))
        ++t;
    return t == n;
}

namespace {

void deletePattern(void* p) {
    delete static_cast<LikePattern*>(p);
}

void jetLikeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    // Bytes are not a name, whatever they happen to spell.
    if (sqlite3_value_type(argv[0]) == SQLITE_BLOB || sqlite3_value_type(argv[1]) == SQLITE_BLOB)
        return sqlite3_result_int(ctx, 0);
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const std::string_view view(text, size_t(sqlite3_value_bytes(argv[1])));
    if (const auto* cached = static_cast<LikePattern*>(sqlite3_get_auxdata(ctx, 0)))
        return sqlite3_result_int(ctx, cached->matches(view) ? 1 : 0);

    const auto* ptext = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    auto parsed = LikePattern::parse({ptext, size_t(sqlite3_value_bytes(argv[0]))});
    if (!parsed)
        return sqlite3_result_error(ctx, "invalid pattern string", -1);
    sqlite3_result_int(ctx, parsed->matches(view) ? 1 : 0);
    // SQLite owns the cached pattern from here and frees it with deletePattern.
    sqlite3_set_auxdata(ctx, 0, std::make_unique<LikePattern>(std::move(*parsed)).release(),
                        deletePattern);
}

} // namespace

int registerLikeFunction(sqlite3* db) {
    return sqlite3_create_function_v2(db, "jet_like", 2,
                                      SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                      nullptr, jetLikeFunction, nullptr, nullptr, nullptr);
}

} // namespace rolvane::jet
