// Only what the patcher needs to find and replace whole properties; the meaning of a value is
// always taken from the exchange reader, so a card reads the same here as in an import.
#include "card_lines.h"

namespace rolvane::carddav {

std::vector<CardLine> splitCardLines(std::string_view card) {
    std::vector<CardLine> lines;
    std::size_t pos = 0;
    while (pos < card.size()) {
        std::size_t end = card.find('\n', pos);
        if (end == std::string_view::npos)
            end = card.size();
        std::string_view line = card.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos = end + 1;
        if (!line.empty() && (line.front() == ' ' || line.front() == '\t') && !lines.empty()) {
            lines.back().text.append(line.substr(1));
            lines.back().raw.append(line).append("\r\n");
        } else if (!line.empty()) {
            lines.push_back({std::string(line), std::string(line) + "\r\n"});
        }
    }
    return lines;
}

std::size_t valueStart(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            return i + 1;
    }
    return std::string_view::npos;
}

std::string propertyName(std::string_view line) {
    std::size_t end = 0;
    while (end < line.size() && line[end] != ';' && line[end] != ':')
        ++end;
    std::string_view name = line.substr(0, end);
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1);
    std::string out(name);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    return out;
}

void appendFolded(std::string& out, std::string_view line) {
    std::size_t width = 75;
    while (line.size() > width) {
        std::size_t cut = width;
        while (cut > 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        width = 74;
    }
    out.append(line);
    out += "\r\n";
}

std::string escapeValue(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        switch (const char c = text[i]) {
        case '\\':
            out += "\\\\";
            break;
        case ',':
            out += "\\,";
            break;
        case ';':
            out += "\\;";
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\\n";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace rolvane::carddav
