// SPDX-License-Identifier: GPL-3.0-or-later
// Labels are read from the left, so a value may hold colons and parentheses freely; only a
// qualifier escapes its own parentheses (and backslashes).
#include "comment_lines.h"

#include "card_labels.h"

#include <algorithm>

namespace rolvane::exchange {

namespace {

void appendLine(std::string& out, std::string_view line) {
    if (!out.empty())
        out += '\n';
    out += line;
}

// The lines of `text`, CR LF and CR taken as LF.
std::vector<std::string> linesOf(std::string_view text) {
    std::vector<std::string> out(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out.emplace_back();
        } else {
            out.back() += text[i];
        }
    }
    return out;
}

// One labelled line read, or nothing when `text` does not follow the grammar.
std::optional<CardExtra> readLine(std::string_view text) {
    const std::size_t colon = text.find(':');
    const std::size_t open = text.find(" (");
    CardExtra out;
    std::size_t rest = 0;
    if (open != std::string_view::npos && open < colon) {
        out.name = text.substr(0, open);
        std::size_t i = open + 2;
        for (; i < text.size() && text[i] != ')'; ++i) {
            if (text[i] == '\\' && i + 1 < text.size())
                ++i;
            out.qualifier += text[i];
        }
        if (i + 1 >= text.size() || text[i + 1] != ':')
            return std::nullopt;
        rest = i + 2;
    } else if (colon != std::string_view::npos) {
        out.name = text.substr(0, colon);
        rest = colon + 1;
    } else {
        return std::nullopt;
    }
    const LabelKind* kind = labelKind(out.name);
    if (!kind || (!out.qualifier.empty() && kind->qualifier == Qualifier::None))
        return std::nullopt;
    out.name = kind->name;
    if (rest < text.size() && text[rest] == ' ')
        ++rest;
    out.value = text.substr(std::min(rest, text.size()));
    return out;
}

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// A date as vCard writes one, with or without year and dashes, a time after a T allowed:
// "1980-02-29", "19800229", "--0229", "--02-29", "1980-02", "1980".
bool isCardDate(std::string_view v) {
    v = v.substr(0, v.find('T'));
    std::string d;
    bool noYear = v.starts_with("--");
    if (noYear)
        v.remove_prefix(2);
    for (char c : v) {
        if (digit(c))
            d += c;
        else if (c != '-')
            return false;
    }
    const std::size_t monthAt = noYear ? 0 : 4;
    if (d.size() != monthAt + 4 && d.size() != monthAt + 2 && !(d.size() == 4 && !noYear))
        return false;
    if (d.size() < monthAt + 2)
        return true;
    const int month = (d[monthAt] - '0') * 10 + (d[monthAt + 1] - '0');
    const int day =
        d.size() == monthAt + 4 ? (d[monthAt + 2] - '0') * 10 + (d[monthAt + 3] - '0') : 1;
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// Whether `value` can be the property `line` names; anything can be text.
bool fitsProperty(const CardExtra& line) {
    const LabelKind* kind = labelKind(line.name);
    const std::string_view v = line.value;
    if (!kind)
        return true;
    if (kind->property == "BDAY" || kind->property == "ANNIVERSARY" || kind->property == "X-ABDATE")
        return isCardDate(v);
    // A number without a digit dials nothing. E-mail and web page values are taken as they
    // come: cards in the wild hold all sorts there, and a round trip must keep them.
    if (kind->property == "TEL")
        return std::any_of(v.begin(), v.end(), digit);
    return true;
}

} // namespace

std::string labelledLine(const CardExtra& line) {
    std::string out = line.name;
    if (!line.qualifier.empty()) {
        out += " (";
        for (char c : line.qualifier) {
            if (c == '(' || c == ')' || c == '\\')
                out += '\\';
            out += c;
        }
        out += ')';
    }
    out += ": ";
    for (char c : line.value) {
        out += c;
        if (c == '\n')
            out += "  ";
    }
    return out;
}

std::string joinComments(std::string_view note, const std::vector<CardExtra>& lines) {
    std::string out(note);
    if (lines.empty())
        return out;
    appendLine(out, kCardSeparator);
    for (const CardExtra& line : lines)
        appendLine(out, labelledLine(line));
    return out;
}

std::string SplitComments::fullNote() const {
    std::string out = note;
    for (const std::string& line : kept)
        appendLine(out, line);
    return out;
}

bool hasSeparator(std::string_view comments) {
    for (std::size_t at = 0; (at = comments.find(kCardSeparator, at)) != std::string_view::npos;
         ++at) {
        const std::size_t end = at + kCardSeparator.size();
        if ((at == 0 || comments[at - 1] == '\n' || comments[at - 1] == '\r') &&
            (end == comments.size() || comments[end] == '\n' || comments[end] == '\r'))
            return true;
    }
    return false;
}

SplitComments splitComments(std::string_view comments) {
    SplitComments out;
    const std::vector<std::string> lines = linesOf(comments);
    std::size_t i = 0;
    // Joined as they came, blank lines at either end included: the note is the user's text.
    for (; i < lines.size() && lines[i] != kCardSeparator; ++i)
        out.note += (i ? "\n" : "") + lines[i];
    out.separated = i < lines.size();
    // A line indented by two blanks goes on with the value above it.
    bool continuing = false;
    for (++i; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.starts_with("  ") && continuing) {
            out.lines.back().value += '\n' + line.substr(2);
        } else if (std::optional<CardExtra> read = readLine(line)) {
            out.lines.push_back(std::move(*read));
            continuing = true;
        } else {
            if (!line.empty())
                out.kept.push_back(line);
            continuing = false;
        }
    }
    // Checked once a value's lines are all in; refused lines stay where they stood among the
    // kept ones only roughly (after them), which the note does not mind.
    std::erase_if(out.lines, [&out](const CardExtra& line) {
        if (fitsProperty(line))
            return false;
        out.refused.push_back(labelledLine(line));
        out.kept.push_back(out.refused.back());
        return true;
    });
    return out;
}

} // namespace rolvane::exchange
