// Turning a property's raw value into text: character set and quoted-printable first, then the
// backslash escapes, whose set depends on the version.
#pragma once

#include "vcard_property.h"

#include <string>
#include <string_view>
#include <vector>

namespace rolvane::exchange {

// The value as UTF-8 with LF line ends, escapes still in. Points into `p` when nothing needed
// decoding, else into `scratch`; valid while both are unchanged.
std::string_view decodedValue(const VCardProperty& p, std::string& scratch);

// Removes backslash escapes. 3.0 and 4.0: "\n" is a line break and "\\", "\,", "\;", "\:", "\""
// the character itself. 2.1 knows only "\;" and "\\" ("\:" too, as writers use it); "\," and
// any other backslash stay as written.
std::string unescapeText(std::string_view text, bool v21);

// The components of a structured value (N, ADR, ORG), split on semicolons not escaped, each
// unescaped.
std::vector<std::string> splitComponents(std::string_view text, bool v21);

} // namespace rolvane::exchange
