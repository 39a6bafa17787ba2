// SPDX-License-Identifier: GPL-3.0-or-later
// A vCard is read line by line: physical lines are unfolded into properties, each property is
// split into group, name, parameters and value, and the card is built as its properties arrive.
// Binary values are read past line by line and never kept.
#include "vcard_reader.h"

#include "text_decoding.h"

#include <algorithm>

namespace rolvane::exchange {

namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}
std::string upperCase(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), upper);
    return out;
}
std::string lowerCase(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), lower);
    return out;
}
bool equalsUpper(std::string_view text, std::string_view upperWord) {
    if (text.size() != upperWord.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (upper(text[i]) != upperWord[i])
            return false;
    return true;
}
// Where the name and parameters end: the first colon outside double quotes.
std::size_t headerEnd(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted)
            return i;
    }
    return std::string_view::npos;
}

struct Property {
    std::string group;
    std::string name; // upper case
    std::vector<std::string> types;
    bool preferred = false;
    bool quotedPrintable = false;
    std::string charset;
    std::string column;     // X-ROLVANE-FIELD
    std::string_view value; // raw, before any decoding; lies in the line read
};

// Splits on `separator` outside double quotes.
void splitOutsideQuotes(std::string_view text, char separator,
                        std::vector<std::string_view>& parts) {
    parts.clear();
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == separator && !quoted) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
}

std::string_view unquoted(std::string_view s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        return s.substr(1, s.size() - 2);
    return s;
}

void addType(Property& p, std::string_view type) {
    type = unquoted(type);
    if (type.empty())
        return;
    std::string t = lowerCase(type);
    if (t == "pref")
        p.preferred = true;
    else
        p.types.push_back(std::move(t));
}

// `p` and `parts` are reused from line to line, so their storage keeps its room.
bool parseProperty(std::string_view line, Property& p, std::vector<std::string_view>& parts) {
    const std::size_t colon = headerEnd(line);
    if (colon == std::string_view::npos || colon == 0)
        return false;
    p.group.clear();
    p.types.clear();
    p.preferred = p.quotedPrintable = false;
    p.charset.clear();
    p.column.clear();
    splitOutsideQuotes(line.substr(0, colon), ';', parts);
    std::string_view name = parts.front();
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
        p.group = lowerCase(name.substr(0, dot));
        name = name.substr(dot + 1);
    }
    if (name.empty())
        return false;
    p.name.assign(name);
    std::transform(p.name.begin(), p.name.end(), p.name.begin(), upper);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string_view param = parts[i];
        const std::size_t eq = param.find('=');
        if (eq == std::string_view::npos) {
            // vCard 2.1 writes bare parameters: a type, or an encoding.
            if (equalsUpper(param, "QUOTED-PRINTABLE"))
                p.quotedPrintable = true;
            else if (!equalsUpper(param, "BASE64") && !equalsUpper(param, "8BIT") &&
                     !equalsUpper(param, "7BIT"))
                addType(p, param);
            continue;
        }
        const std::string key = upperCase(param.substr(0, eq));
        const std::string_view value = param.substr(eq + 1);
        if (key == "TYPE") {
            // 4.0 quotes a list as a whole ("work,voice"); each kind counts.
            std::vector<std::string_view> list, inner;
            splitOutsideQuotes(value, ',', list);
            for (std::string_view t : list) {
                splitOutsideQuotes(unquoted(t), ',', inner);
                for (std::string_view u : inner)
                    addType(p, u);
            }
        } else if (key == "PREF") {
            p.preferred = true;
        } else if (key == "ENCODING") {
            p.quotedPrintable = equalsUpper(unquoted(value), "QUOTED-PRINTABLE");
        } else if (key == "CHARSET") {
            p.charset = std::string(unquoted(value));
        } else if (key == "X-ROLVANE-FIELD") {
            p.column = std::string(unquoted(value));
        }
    }
    p.value = line.substr(colon + 1);
    return true;
}

// Line ends inside a decoded value become LF, the book's own line end.
void normaliseLineEnds(std::string& s) {
    if (s.find('\r') == std::string::npos)
        return;
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            out += '\n';
            if (i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
        } else {
            out += s[i];
        }
    }
    s = std::move(out);
}

// Backslash escapes: vCard 2.1 knows only "\;" (and writers also double the backslash).
std::string unescape(std::string_view s, bool v21) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char next = s[i + 1];
        if (next == '\n') {
            continue; // an escaped line break: the break is kept, the backslash dropped
        }
        if (next == '\\' || next == ';' || next == ',' || next == ':' || (!v21 && next == '"')) {
            if (v21 && next == ',') {
                out += '\\';
                continue;
            }
            out += next;
            ++i;
        } else if (!v21 && (next == 'n' || next == 'N')) {
            out += '\n';
            ++i;
        } else {
            out += '\\';
        }
    }
    return out;
}

// Components of a structured value (N, ADR, ORG), split on semicolons not escaped.
std::vector<std::string> components(std::string_view s, bool v21) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\') {
            ++i;
        } else if (s[i] == ';') {
            parts.push_back(unescape(s.substr(start, i - start), v21));
            start = i + 1;
        }
    }
    parts.push_back(unescape(s.substr(std::min(start, s.size())), v21));
    return parts;
}

std::string component(const std::vector<std::string>& parts, std::size_t index) {
    return index < parts.size() ? parts[index] : std::string();
}

bool isBinaryName(std::string_view name) {
    return equalsUpper(name, "PHOTO") || equalsUpper(name, "LOGO") || equalsUpper(name, "SOUND") ||
           equalsUpper(name, "KEY");
}

// Apple's labels look like "_$!<HomePage>!$_"; a user's own are plain text.
std::string cleanLabel(std::string_view label) {
    if (label.size() > 8 && label.substr(0, 4) == "_$!<" &&
        label.substr(label.size() - 4) == ">!$_")
        label = label.substr(4, label.size() - 8);
    return lowerCase(label);
}

int columnIndex(std::string_view name) {
    for (std::size_t i = 0; i < kColumnNames.size(); ++i)
        if (kColumnNames[i] == name)
            return int(i);
    return -1;
}

struct LabelledExtra {
    const char* name;
    const char* label;
};
constexpr LabelledExtra kExtras[] = {
    {"TITLE", "Title"},
    {"ROLE", "Role"},
    {"NICKNAME", "Nickname"},
    {"BDAY", "Birthday"},
    {"ANNIVERSARY", "Anniversary"},
    {"URL", "Web page"},
    {"IMPP", "Chat"},
    {"GENDER", "Gender"},
};

class Reader {
public:
    Reader(ByteSource& in, const ReadCallbacks& callbacks) : in_(in), callbacks_(callbacks) {}
    std::optional<Problem> run();

private:
    struct Logical {
        long long line = 0;
        std::string text;
        bool tooLong = false;
        bool binary = false;
    };
    bool nextPhysical();
    bool readLogical(Logical& l);
    void warn(long long line, std::string text) {
        if (callbacks_.warning)
            callbacks_.warning({line, std::move(text)});
    }
    void startCard(long long line);
    bool finishCard();
    void take(const Property& p, long long line);
    // The value decoded to UTF-8; valid until the next call.
    std::string_view text(const Property& p);

    ByteSource& in_;
    const ReadCallbacks& callbacks_;
    std::string pending_;
    std::string params_;
    std::string decoded_;
    ByteSource::Line pendingStatus_ = ByteSource::Line::End;
    long long pendingLine_ = 0;
    bool havePending_ = false;

    Card card_;
    bool v21_ = false;
    std::size_t cardBytes_ = 0;
    bool overfull_ = false;
    std::vector<std::string> labels_; // label of each group, parallel to groupNames_
    std::vector<std::string> groupNames_;
    struct Grouped {
        std::string group;
        int kind; // 0 phone, 1 e-mail, 2 address
        std::size_t index;
    };
    std::vector<Grouped> grouped_;
    std::vector<std::pair<std::string, std::string>> groupedExtras_; // group, value
    std::vector<std::string> postalLabels_;
    bool sawAddress_ = false;
    bool sawNote_ = false;
};

bool Reader::nextPhysical() {
    if (havePending_)
        return true;
    pendingLine_ = in_.lineNumber();
    pendingStatus_ = in_.readLine(pending_, kMaxLineBytes + 1);
    if (pendingStatus_ == ByteSource::Line::End)
        return false;
    havePending_ = true;
    return true;
}

bool Reader::readLogical(Logical& l) {
    // Blank lines between properties mean nothing.
    for (;;) {
        if (!nextPhysical())
            return false;
        if (!pending_.empty() || pendingStatus_ == ByteSource::Line::TooLong)
            break;
        havePending_ = false;
    }
    l.line = pendingLine_;
    l.text.swap(pending_);
    l.tooLong = pendingStatus_ == ByteSource::Line::TooLong;
    havePending_ = false;

    const std::size_t colon = headerEnd(l.text);
    const std::string_view header =
        std::string_view(l.text).substr(0, colon == std::string_view::npos ? l.text.size() : colon);
    std::string_view name = header.substr(0, header.find(';'));
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos)
        name = name.substr(dot + 1);
    // The parameters, upper-cased once, tell an encoding; most lines have none.
    const std::size_t semicolon = header.find(';');
    params_.clear();
    if (semicolon != std::string_view::npos) {
        params_.assign(header.substr(semicolon));
        std::transform(params_.begin(), params_.end(), params_.begin(), upper);
    }
    l.binary = colon != std::string_view::npos &&
               (isBinaryName(name) || params_.find("BASE64") != std::string::npos ||
                params_.find("ENCODING=B") != std::string::npos);
    const bool qp = params_.find("QUOTED-PRINTABLE") != std::string::npos;
    if (l.binary) {
        l.text.resize(colon); // the value is never kept
        l.tooLong = false;
    }
    for (;;) {
        if (!nextPhysical())
            break;
        const bool indented = !pending_.empty() && (pending_[0] == ' ' || pending_[0] == '\t');
        if (l.binary) {
            // Base64 runs on in indented lines, or (2.1) in bare lines up to a blank one.
            if (indented || (!pending_.empty() && headerEnd(pending_) == std::string::npos)) {
                havePending_ = false;
                continue;
            }
            if (pending_.empty())
                havePending_ = false;
            break;
        }
        if (qp && !l.text.empty() && l.text.back() == '=' && !equalsUpper(pending_, "END:VCARD")) {
            l.text.pop_back(); // a soft line break: the next line continues, indented or not
        } else if (!l.text.empty() && l.text.back() == '\\' && !pending_.empty() &&
                   headerEnd(pending_) == std::string::npos) {
            l.text += '\n'; // 2.1 writers escape a line break inside a value with a backslash
        } else if (indented) {
            pending_.erase(0, 1);
        } else {
            break;
        }
        if (l.text.size() + pending_.size() > kMaxLineBytes ||
            pendingStatus_ != ByteSource::Line::Read)
            l.tooLong = true;
        else
            l.text += pending_;
        havePending_ = false;
    }
    return true;
}

std::string_view Reader::text(const Property& p) {
    // Plain UTF-8, the common case, is used where it lies.
    if (!p.quotedPrintable && p.charset.empty() && p.value.find('\r') == std::string_view::npos &&
        isUtf8(p.value))
        return p.value;
    decoded_ = toUtf8(p.quotedPrintable ? decodeQuotedPrintable(p.value) : p.value, p.charset);
    normaliseLineEnds(decoded_);
    return decoded_;
}

void Reader::startCard(long long line) {
    card_ = Card();
    card_.line = int(std::min<long long>(line, 0x7fffffff));
    v21_ = false;
    cardBytes_ = 0;
    overfull_ = false;
    labels_.clear();
    groupNames_.clear();
    grouped_.clear();
    groupedExtras_.clear();
    postalLabels_.clear();
    sawAddress_ = false;
    sawNote_ = false;
}

bool Reader::finishCard() {
    auto labelOf = [this](const std::string& group) -> const std::string* {
        for (std::size_t i = 0; i < groupNames_.size(); ++i)
            if (groupNames_[i] == group)
                return &labels_[i];
        return nullptr;
    };
    for (const Grouped& g : grouped_) {
        const std::string* label = labelOf(g.group);
        if (!label)
            continue;
        if (g.kind == 0)
            card_.phones[g.index].types.push_back(*label);
        else if (g.kind == 1)
            card_.emails[g.index].types.push_back(*label);
        else
            card_.addresses[g.index].types.push_back(*label);
    }
    for (auto& [group, value] : groupedExtras_) {
        const std::string* label = labelOf(group);
        std::string name = label && !label->empty() ? *label : std::string("other");
        name[0] = upper(name[0]);
        card_.addExtra(std::move(name), std::move(value));
    }
    if (!sawAddress_) {
        for (std::string& label : postalLabels_) {
            CardAddress a;
            a.formatted = std::move(label);
            card_.addresses.push_back(std::move(a));
        }
    }
    return !callbacks_.card || callbacks_.card(card_);
}

void Reader::take(const Property& p, long long line) {
    const std::string& n = p.name;
    cardBytes_ += p.value.size();
    const std::size_t values = card_.phones.size() + card_.emails.size() + card_.addresses.size() +
                               card_.extras.size() + groupedExtras_.size() + postalLabels_.size() +
                               groupNames_.size();
    if (cardBytes_ > kMaxCardBytes || values > kMaxValuesPerCard) {
        if (!overfull_)
            warn(line, "the card is too large; the rest of its properties were skipped");
        overfull_ = true;
        return;
    }
    if (n == "VERSION") {
        v21_ = p.value.rfind("2.", 0) == 0 || p.value.rfind("1.", 0) == 0;
    } else if (n == "N") {
        const std::vector<std::string> parts = components(text(p), v21_);
        card_.family = component(parts, 0);
        card_.given = component(parts, 1);
        card_.hasName = !card_.family.empty() || !card_.given.empty();
        card_.addExtra("Middle name", component(parts, 2));
    } else if (n == "FN") {
        card_.formatted = v21_ ? std::string(text(p)) : unescape(text(p), false);
    } else if (n == "ORG") {
        const std::vector<std::string> parts = components(text(p), v21_);
        card_.organization = component(parts, 0);
        for (std::size_t i = 1; i < parts.size(); ++i)
            card_.addExtra("Department", parts[i]);
    } else if (n == "TEL" || n == "EMAIL") {
        CardValue v;
        v.value = v21_ ? std::string(text(p)) : unescape(text(p), false);
        if (v.value.rfind("tel:", 0) == 0)
            v.value.erase(0, 4);
        if (v.value.empty())
            return;
        v.types = p.types;
        v.preferred = p.preferred;
        v.column = columnIndex(p.column);
        auto& list = n == "TEL" ? card_.phones : card_.emails;
        if (!p.group.empty())
            grouped_.push_back({p.group, n == "TEL" ? 0 : 1, list.size()});
        list.push_back(std::move(v));
    } else if (n == "ADR") {
        const std::vector<std::string> parts = components(text(p), v21_);
        CardAddress a;
        a.poBox = component(parts, 0);
        a.extended = component(parts, 1);
        a.street = component(parts, 2);
        a.city = component(parts, 3);
        a.region = component(parts, 4);
        a.postalCode = component(parts, 5);
        a.country = component(parts, 6);
        a.types = p.types;
        a.preferred = p.preferred;
        sawAddress_ = true;
        if (a.isEmpty())
            return;
        if (!p.group.empty())
            grouped_.push_back({p.group, 2, card_.addresses.size()});
        card_.addresses.push_back(std::move(a));
    } else if (n == "LABEL") {
        postalLabels_.push_back(v21_ ? std::string(text(p)) : unescape(text(p), false));
    } else if (n == "NOTE") {
        std::string note = v21_ ? std::string(text(p)) : unescape(text(p), false);
        if (sawNote_)
            card_.note += '\n';
        card_.note += note;
        sawNote_ = true;
    } else if (n == "REV") {
        card_.revision = std::string(text(p));
    } else if (n == "X-ROLVANE-LAST-UPDATE") {
        card_.lastUpdate = unescape(text(p), false);
    } else if (n == "X-ABLABEL") {
        if (!p.group.empty()) {
            groupNames_.push_back(p.group);
            labels_.push_back(cleanLabel(text(p)));
        }
    } else if (!p.group.empty() && n.rfind("X-AB", 0) == 0) {
        groupedExtras_.emplace_back(p.group, unescape(text(p), v21_));
    } else {
        for (const LabelledExtra& e : kExtras)
            if (n == e.name)
                card_.addExtra(e.label, unescape(text(p), v21_));
    }
}

std::optional<Problem> Reader::run() {
    int depth = 0;
    Logical l;
    Property p;
    std::vector<std::string_view> parts;
    while (readLogical(l)) {
        if (l.tooLong)
            return Problem{l.line, "the line is longer than " +
                                       std::to_string(kMaxLineBytes >> 20) +
                                       " MB, which no contact needs"};
        if (!parseProperty(l.text, p, parts)) {
            if (l.binary)
                continue;
            warn(l.line,
                 depth > 0 ? "not a vCard property; skipped" : "text outside a card; skipped");
            continue;
        }
        const bool isBegin = p.name == "BEGIN" && equalsUpper(p.value, "VCARD");
        const bool isEnd = p.name == "END" && equalsUpper(p.value, "VCARD");
        if (isBegin) {
            if (++depth > kMaxCardNesting)
                return Problem{l.line, "cards are nested more than " +
                                           std::to_string(kMaxCardNesting) + " deep"};
            if (depth == 1)
                startCard(l.line);
            continue;
        }
        if (depth == 0) {
            warn(l.line, "text outside a card; skipped");
            continue;
        }
        if (isEnd) {
            if (--depth == 0 && !finishCard())
                return std::nullopt;
            continue;
        }
        if (depth == 1 && !l.binary)
            take(p, l.line);
    }
    if (in_.failed())
        return Problem{in_.lineNumber(), "the file could not be read to its end"};
    if (depth > 0) {
        warn(card_.line, "the card has no END:VCARD; it was read to the end of the file");
        finishCard();
    }
    return std::nullopt;
}

} // namespace

std::optional<Problem> readVCards(ByteSource& in, const ReadCallbacks& callbacks) {
    Reader reader(in, callbacks);
    return reader.run();
}

} // namespace rolvane::exchange
