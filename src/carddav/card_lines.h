// A vCard as the patcher edits it: its logical lines (unfolded), each kept as the server wrote it
// so that what is not touched goes back byte for byte. Values are decoded by the exchange reader.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rolvane::carddav {

struct CardLine {
    std::string text; // unfolded, without its line end
    std::string raw;  // the physical lines as they came, each ended with CR LF
};

// The logical lines of `card`.
std::vector<CardLine> splitCardLines(std::string_view card);

// The property name of a logical line, upper case, without its group ("item1.TEL" -> "TEL").
std::string propertyName(std::string_view line);

// Where the value of a logical line starts (past the first colon outside quotes); npos if none.
std::size_t valueStart(std::string_view line);

// The line folded at 75 bytes (never inside a UTF-8 sequence) with CR LF ends, appended to `out`.
void appendFolded(std::string& out, std::string_view line);

// Backslash escapes of a text value: backslash, comma, semicolon, line ends as \n.
std::string escapeValue(std::string_view text);

} // namespace rolvane::carddav
