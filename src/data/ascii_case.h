// Case folding for the names that files and protocols spell in ASCII (vCard properties, CSV
// headers, Access columns, character sets): one rule, never touched by the user's locale.
#pragma once

#include <string>
#include <string_view>

namespace rolvane {

constexpr char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}
constexpr char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - ('a' - 'A')) : c;
}

inline std::string asciiLowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = asciiLower(c);
    return out;
}
inline std::string asciiUpperCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = asciiUpper(c);
    return out;
}

// True when `a` and `b` are the same name, ASCII letters compared without case.
constexpr bool sameAsciiName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

} // namespace rolvane
