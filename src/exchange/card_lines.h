// SPDX-License-Identifier: GPL-3.0-or-later
// A vCard as the patcher edits it: its properties as the exchange property reader splits them,
// each with the physical lines it came in, so what is not touched goes back byte for byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rolvane::exchange {

struct CardLine {
    std::string text; // the logical line, unfolded
    std::string name; // property name, upper case, without its group
    std::string raw;  // the physical lines as they came, each ended with CR LF, blank ones that
                      // follow included; empty when they could not be told apart (the line is
                      // then written folded anew)
    bool quotedPrintable = false;
    long long line = 0; // where it starts, counted as the exchange reader counts
};

// The properties of `card`, BEGIN and END included, binary values kept.
std::vector<CardLine> splitCardLines(std::string_view card);

// Where the value of a logical line starts (past the first colon outside quotes); npos if none.
std::size_t valueStart(std::string_view line);

// The line folded at 75 bytes (never inside a UTF-8 sequence) with CR LF ends, appended to `out`.
void appendFolded(std::string& out, std::string_view line);

// The value of the property whose physical lines are `lines`, in a card of `version`, its
// quoted-printable and character set decoded to UTF-8, escapes kept; empty when there is none.
std::string decodedValue(std::string_view version, std::string_view lines);

// A structured value split on the semicolons no backslash escapes, escapes kept.
std::vector<std::string> splitRawComponents(std::string_view value);

// `line` written anew from its logical text, for when its physical lines could not be told apart.
void appendAnew(std::string& out, const CardLine& line);

} // namespace rolvane::exchange
