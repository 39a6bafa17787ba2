// SPDX-License-Identifier: GPL-3.0-or-later
// The Jet `like` operator: `*`, `?`, `#`, `[a-z]`, `[!a-z]`, each character compared as a letter,
// ignoring case and accents, in the book's collation (so 'A*' keeps Ångström).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace rolvane::jet {

class LikePattern {
public:
    // Empty when the pattern is malformed (an unclosed `[`), which Jet rejects.
    static std::optional<LikePattern> parse(std::string_view utf8);
    bool matches(std::string_view utf8Text) const;
    // The text every match must begin with (before the first wildcard), as typed.
    const std::u32string& literalPrefix() const { return prefix_; }

private:
    struct Range {
        char32_t low;
        char32_t high;
    };
    struct Token {
        enum Kind { Literal, AnyChar, Digit, AnyRun, Set, Nothing } kind = Literal;
        char32_t ch = 0;
        bool negated = false;
        std::vector<Range> ranges;
    };
    bool matchesOne(const Token& token, char32_t c) const;

    std::vector<Token> tokens_;
    std::u32string prefix_;
};

// Ill-formed bytes (overlong forms and surrogates included) each stand for one U+FFFD.
std::u32string decodeUtf8(std::string_view utf8);
std::string encodeUtf8(std::u32string_view text);

// Registers jet_like(pattern, text) on a connection; NULL in gives NULL out, as `like` does, and
// a BLOB never matches.
int registerLikeFunction(sqlite3* db);

} // namespace rolvane::jet
