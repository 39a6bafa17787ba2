// Records are parsed byte by byte from the source, so a quoted field may hold line ends; the
// header line alone is read first, whole, to choose the separator.
#include "csv_reader.h"

#include "column_layout.h"
#include "text_decoding.h"

namespace rolvane::exchange {

namespace {

char chooseSeparator(std::string_view header) {
    std::size_t comma = 0, semicolon = 0, tab = 0;
    bool quoted = false;
    for (char c : header) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted)
            comma += c == ',', semicolon += c == ';', tab += c == '\t';
    }
    if (semicolon > comma && semicolon >= tab)
        return ';';
    if (tab > comma && tab > semicolon)
        return '\t';
    return ',';
}

std::vector<std::string> splitHeader(std::string_view line, char separator) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == separator && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

enum class Record { Read, End, Failed };

class RecordParser {
public:
    RecordParser(ByteSource& in, char separator) : in_(in), separator_(separator) {}

    Record next(std::vector<std::string>& fields, std::size_t& count, Problem& problem) {
        count = 0;
        std::size_t bytes = 0;
        int c = in_.peek();
        if (c < 0)
            return Record::End;
        const long long start = in_.lineNumber();
        auto field = [&]() -> std::string& {
            if (count == fields.size())
                fields.emplace_back();
            std::string& f = fields[count++];
            f.clear();
            return f;
        };
        for (;;) {
            if (count >= kMaxCsvFields) {
                problem = {start,
                           "the record has more than " + std::to_string(kMaxCsvFields) + " fields"};
                return Record::Failed;
            }
            std::string& f = field();
            if (in_.peek() == '"') {
                in_.get();
                for (;;) {
                    c = in_.get();
                    if (c < 0) {
                        problem = {start, "a quoted field that starts here never ends"};
                        return Record::Failed;
                    }
                    if (c == '"') {
                        if (in_.peek() != '"')
                            break;
                        in_.get();
                    } else if (c == '\n' || (c == '\r' && in_.peek() != '\n')) {
                        in_.countLineEnd(); // kept as written, so a round trip gives it back
                    }
                    f += char(c);
                    if (++bytes > kMaxLineBytes)
                        return tooLong(start, problem);
                }
            }
            // Unquoted text, or anything a sloppy writer put after the closing quote.
            for (;;) {
                c = in_.peek();
                if (c < 0 || c == '\n' || c == '\r' || c == separator_)
                    break;
                f += char(in_.get());
                if (++bytes > kMaxLineBytes)
                    return tooLong(start, problem);
            }
            if (c == separator_) {
                in_.get();
                continue;
            }
            in_.skipLineEnd();
            return Record::Read;
        }
    }

private:
    Record tooLong(long long start, Problem& problem) {
        problem = {start, "the record is longer than " + std::to_string(kMaxLineBytes >> 20) +
                              " MB, which no contact needs"};
        return Record::Failed;
    }

    ByteSource& in_;
    char separator_;
};

} // namespace

std::optional<Problem> readCsv(ByteSource& in, const ReadCallbacks& callbacks) {
    std::string headerLine;
    ByteSource::Line status;
    long long headerAt = 0;
    do {
        headerAt = in.lineNumber();
        status = in.readLine(headerLine, kMaxLineBytes);
    } while (status == ByteSource::Line::Read &&
             headerLine.find_first_not_of(" \t") == std::string::npos);
    if (status == ByteSource::Line::End)
        return Problem{0, "the file is empty"};
    if (status == ByteSource::Line::TooLong)
        return Problem{headerAt, "the header line is too long"};
    const char separator = chooseSeparator(headerLine);
    std::vector<std::string> header = splitHeader(headerLine, separator);
    if (header.size() > kMaxCsvFields)
        return Problem{1, "the header has more than " + std::to_string(kMaxCsvFields) + " columns"};
    for (std::string& name : header)
        name = toUtf8(name, {});
    std::string expected;
    const std::optional<ColumnLayout> layout = ColumnLayout::recognise(header, expected);
    if (!layout)
        return Problem{headerAt, "the header names no known contact columns; expected " + expected};

    RecordParser parser(in, separator);
    std::vector<std::string> fields;
    std::size_t count = 0;
    Problem problem;
    Card card;
    for (;;) {
        const long long line = in.lineNumber();
        const Record r = parser.next(fields, count, problem);
        if (r == Record::End)
            break;
        if (r == Record::Failed)
            return problem;
        bool blank = true;
        for (std::size_t i = 0; i < count && blank; ++i)
            blank = fields[i].empty();
        if (blank)
            continue;
        if (count > header.size()) {
            if (callbacks.warning)
                callbacks.warning(
                    {line, "the record has " + std::to_string(count) + " fields and the header " +
                               std::to_string(header.size()) + "; the extra fields were skipped"});
            count = header.size();
        }
        fields.resize(std::max(count, fields.size()));
        for (std::size_t i = 0; i < count; ++i)
            if (!isUtf8(fields[i]))
                fields[i] = toUtf8(fields[i], {});
        for (std::size_t i = count; i < fields.size(); ++i)
            fields[i].clear();
        if (layout->isOwn())
            for (std::string& f : fields)
                if (!f.empty() && f.front() == '\'')
                    f.erase(0, 1); // the guard our export puts before formulas and quotes
        card = Card();
        card.line = int(std::min<long long>(line, 0x7fffffff));
        layout->fill(fields, card);
        if (callbacks.card && !callbacks.card(card))
            return std::nullopt;
    }
    if (in.failed())
        return Problem{in.lineNumber(), "the file could not be read to its end"};
    return std::nullopt;
}

} // namespace rolvane::exchange
