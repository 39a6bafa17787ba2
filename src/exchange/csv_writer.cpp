// RFC 4180: CRLF between records; a field with a comma, quote, line end or outer blank is quoted,
// its quotes doubled, its line ends kept as they are.
#include "csv_writer.h"

namespace rolvane::exchange {

namespace {

// A cell a spreadsheet would take as a formula (or whose first quote it would swallow) gets a
// leading quote, which spreadsheets show as text; reading our own layout takes it off again.
bool needsGuard(std::string_view text) {
    return !text.empty() &&
           std::string_view("=+-@\t\r'").find(text.front()) != std::string_view::npos;
}

void field(std::string& out, std::string_view text, bool guard) {
    if (guard && needsGuard(text)) {
        std::string guarded = "'";
        guarded += text;
        field(out, guarded, false);
        return;
    }
    const bool quote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

void appendCsvHeader(std::string& out) {
    out += "\xEF\xBB\xBF";
    RowView names;
    for (std::size_t i = 0; i < names.size(); ++i)
        names[i] = kColumnNames[i];
    appendCsvRow(names, out);
}

void appendCsvRow(const RowView& row, std::string& out) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0)
            out += ',';
        field(out, row[i], true);
    }
    out += "\r\n";
}

} // namespace rolvane::exchange
