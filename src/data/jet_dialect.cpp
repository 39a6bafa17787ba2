// SPDX-License-Identifier: GPL-3.0-or-later
// The Jet-to-SQLite translation: a small tokenizer, then `select *` and `like` rewritten.
#include "jet_dialect.h"

#include "jet_like.h"
#include "name_collation.h"

#include <cctype>
#include <sqlite3.h>

namespace rolvane::jet {

namespace {

struct Token {
    enum Kind { Space, Word, Bracketed, String, Symbol } kind;
    std::string text; // for String: the decoded value
};

bool equalsWord(const Token& t, std::string_view word) {
    if (t.kind != Token::Word || t.text.size() != word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(t.text[i])) != word[i])
            return false;
    }
    return true;
}

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// Splits the text into tokens; false with `fault` set on an unterminated literal or name.
bool tokenize(std::string_view in, std::vector<Token>& out, QueryFault& fault) {
    for (size_t i = 0; i < in.size();) {
        const char c = in[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            size_t j = i;
            while (j < in.size() && std::isspace(static_cast<unsigned char>(in[j])))
                ++j;
            out.push_back({Token::Space, " "});
            i = j;
        } else if (c == '\'' || c == '"') {
            std::string value;
            size_t j = i + 1;
            for (;; ++j) {
                if (j >= in.size()) {
                    fault = QueryFault::UnclosedQuote;
                    return false;
                }
                if (in[j] == c) {
                    if (j + 1 < in.size() && in[j + 1] == c) {
                        value.push_back(c);
                        ++j;
                        continue;
                    }
                    break;
                }
                value.push_back(in[j]);
            }
            out.push_back({Token::String, std::move(value)});
            i = j + 1;
        } else if (c == '[') {
            const size_t close = in.find(']', i);
            if (close == std::string_view::npos) {
                fault = QueryFault::UnclosedName;
                return false;
            }
            out.push_back({Token::Bracketed, std::string(in.substr(i, close - i + 1))});
            i = close + 1;
        } else if (isWordChar(c)) {
            size_t j = i;
            while (j < in.size() && isWordChar(in[j]))
                ++j;
            out.push_back({Token::Word, std::string(in.substr(i, j - i))});
            i = j;
        } else if (c == '\0') {
            fault = QueryFault::NulCharacter;
            return false;
        } else {
            out.push_back({Token::Symbol, std::string(1, c)});
            ++i;
        }
    }
    return true;
}

// " collate rolvane_text": the book's order and equality, which the index on names is built in.
std::string collated() {
    return " collate " + std::string(collation::kName);
}

// Adds a parameter and returns its placeholder.
std::string parameter(KeysetSql& result, std::string value) {
    result.parameters.push_back(std::move(value));
    return "?" + std::to_string(result.parameters.size());
}

size_t previousSolid(const std::vector<Token>& tokens, size_t i) {
    while (i > 0) {
        --i;
        if (tokens[i].kind != Token::Space)
            return i;
    }
    return size_t(-1);
}

size_t nextSolid(const std::vector<Token>& tokens, size_t i) {
    for (++i; i < tokens.size(); ++i) {
        if (tokens[i].kind != Token::Space)
            return i;
    }
    return size_t(-1);
}

// One statement only: a ";" may end the text, nothing may follow it. Cuts the ";" off.
bool oneStatement(std::vector<Token>& tokens, KeysetSql& result) {
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind == Token::Symbol && tokens[i].text == ";") {
            if (nextSolid(tokens, i) != size_t(-1)) {
                result.fault = QueryFault::SeveralStatements;
                return false;
            }
            tokens.resize(i);
            break;
        }
    }
    return true;
}

// "select *" becomes "select rowid": the result is a keyset.
bool selectRowids(std::vector<Token>& tokens, KeysetSql& result) {
    const size_t first = nextSolid(tokens, size_t(-1));
    const size_t star = first == size_t(-1) ? first : nextSolid(tokens, first);
    if (first == size_t(-1) || !equalsWord(tokens[first], "select") || star == size_t(-1) ||
        tokens[star].text != "*") {
        result.fault = QueryFault::NotSelectAll;
        return false;
    }
    tokens[star] = {Token::Word, "rowid"};
    return true;
}

// The SQL for "<column> [not] like <pattern>": the Jet match, and for a literal first letter a
// range the collated index can serve.
bool likeExpression(const std::string& column, const std::string& pattern, bool negated,
                    KeysetSql& result, std::string& expr) {
    const auto parsed = LikePattern::parse(pattern);
    if (!parsed) {
        result.fault = QueryFault::BadPattern;
        result.pattern = pattern;
        return false;
    }
    expr = "jet_like(" + parameter(result, pattern) + ", " + column + ")";
    const std::u32string& prefix = parsed->literalPrefix();
    if (negated) {
        expr = "not " + expr;
    } else if (const auto range =
                   prefix.empty() ? std::nullopt : collation::firstLetterRange(prefix.front())) {
        const std::string low = parameter(result, range->low);
        const std::string high = parameter(result, range->high);
        expr = column + " >= " + low + collated() + " and " + column + " < " + high + collated() +
               " and " + expr;
    }
    return true;
}

// Rewrites each "<column> [not] like '<pattern>'" in place.
bool rewriteLikes(std::vector<Token>& tokens, KeysetSql& result) {
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (!equalsWord(tokens[i], "like"))
            continue;
        size_t operand = previousSolid(tokens, i);
        const bool negated = operand != size_t(-1) && equalsWord(tokens[operand], "not");
        if (negated)
            operand = previousSolid(tokens, operand);
        const size_t pattern = nextSolid(tokens, i);
        if (operand == size_t(-1) || pattern == size_t(-1) ||
            (tokens[operand].kind != Token::Bracketed && tokens[operand].kind != Token::Word) ||
            tokens[pattern].kind != Token::String) {
            result.fault = QueryFault::LikeMisplaced;
            return false;
        }
        std::string expr;
        if (!likeExpression(tokens[operand].text, tokens[pattern].text, negated, result, expr))
            return false;
        tokens[operand] = {Token::Word, "(" + expr + ")"};
        tokens.erase(tokens.begin() + std::ptrdiff_t(operand + 1),
                     tokens.begin() + std::ptrdiff_t(pattern + 1));
        i = operand;
    }
    return true;
}

// The sort terms of "order by" follow the book's order.
void collateSortTerms(std::vector<Token>& tokens) {
    bool sortTerms = false;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (equalsWord(tokens[i], "order")) {
            const size_t by = nextSolid(tokens, i);
            sortTerms = by != size_t(-1) && equalsWord(tokens[by], "by");
        } else if (sortTerms && tokens[i].kind == Token::Bracketed) {
            tokens[i].text += collated();
        }
    }
}

} // namespace

KeysetSql toKeysetSql(std::string_view text) {
    KeysetSql result;
    std::vector<Token> tokens;
    if (!tokenize(text, tokens, result.fault) || !oneStatement(tokens, result) ||
        !selectRowids(tokens, result) || !rewriteLikes(tokens, result))
        return result;
    collateSortTerms(tokens);
    for (Token& t : tokens)
        result.sql +=
            t.kind == Token::String ? parameter(result, std::move(t.text)) + collated() : t.text;
    return result;
}

int bindParameters(sqlite3_stmt* stmt, const std::vector<std::string>& parameters) {
    for (size_t i = 0; i < parameters.size(); ++i) {
        const std::string& value = parameters[i];
        if (const int rc = sqlite3_bind_text64(stmt, int(i + 1), value.data(), value.size(),
                                               SQLITE_TRANSIENT, SQLITE_UTF8);
            rc != SQLITE_OK)
            return rc;
    }
    return SQLITE_OK;
}

} // namespace rolvane::jet
