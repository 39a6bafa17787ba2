// Properties are parsed as spans of their own text, so a line costs no allocation once the
// reused property has grown to the file's longest line.
#include "vcard_property.h"

#include "data/ascii_case.h"
#include "read_result.h"

namespace rolvane::exchange {

namespace {

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

bool startsWithNumber(std::string_view value, std::string_view major) {
    return value.substr(0, major.size()) == major;
}

bool isBinaryName(std::string_view name) {
    for (std::string_view binary : {"PHOTO", "LOGO", "SOUND", "KEY"})
        if (sameAsciiName(name, binary))
            return true;
    return false;
}

bool isEncodingWord(std::string_view word) {
    for (std::string_view encoding : {"QUOTED-PRINTABLE", "BASE64", "8BIT", "7BIT", "B"})
        if (sameAsciiName(word, encoding))
            return true;
    return false;
}

bool isBinary(const VCardProperty& p) {
    if (isBinaryName(p.name()))
        return true;
    for (std::size_t i = 0; i < p.parameterCount(); ++i) {
        const std::string_view name = p.parameterName(i);
        const std::string_view value = p.parameterValue(i);
        if ((name.empty() || sameAsciiName(name, "ENCODING")) &&
            (sameAsciiName(value, "BASE64") || (!name.empty() && sameAsciiName(value, "B"))))
            return true;
    }
    return false;
}

bool isIndented(const std::string& line) {
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

void addTypes(std::string_view list, std::vector<std::string>& types, bool& preferred) {
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::string_view t = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        if (t.size() >= 2 && t.front() == '"' && t.back() == '"')
            t = t.substr(1, t.size() - 2);
        if (t.empty())
            continue;
        if (sameAsciiName(t, "pref"))
            preferred = true;
        else
            types.push_back(asciiLowerCase(t));
    }
}

} // namespace

bool VCardProperty::isNamed(std::string_view name) const {
    return sameAsciiName(this->name(), name);
}

std::string_view VCardProperty::parameter(std::string_view name) const {
    for (const Parameter& p : params_)
        if (sameAsciiName(view(p.name), name))
            return view(p.value);
    return {};
}

bool VCardProperty::isQuotedPrintable() const {
    for (const Parameter& p : params_)
        if ((p.name.size == 0 || sameAsciiName(view(p.name), "ENCODING")) &&
            sameAsciiName(view(p.value), "QUOTED-PRINTABLE"))
            return true;
    return false;
}

std::vector<std::string> VCardProperty::types(bool* preferred) const {
    std::vector<std::string> out;
    bool pref = false;
    for (const Parameter& p : params_) {
        const std::string_view name = view(p.name);
        const std::string_view value = view(p.value);
        if (name.empty() && !isEncodingWord(value))
            addTypes(value, out, pref);
        else if (sameAsciiName(name, "TYPE"))
            addTypes(value, out, pref);
        else if (sameAsciiName(name, "PREF"))
            pref = true;
    }
    if (preferred)
        *preferred = pref;
    return out;
}

bool VCardProperty::parse() {
    params_.clear();
    group_ = name_ = value_ = Span{};
    const std::string_view line(text_);
    const std::size_t colon = headerEnd(line);
    if (colon == std::string_view::npos || colon == 0)
        return false;
    auto span = [](std::size_t pos, std::size_t size) {
        return Span{std::uint32_t(pos), std::uint32_t(size)};
    };
    value_ = span(colon + 1, line.size() - colon - 1);
    // Name, then parameters, each ended by a semicolon outside double quotes.
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= colon; ++i) {
        if (i < colon && line[i] == '"')
            quoted = !quoted;
        if (i < colon && (line[i] != ';' || quoted))
            continue;
        const std::string_view part = line.substr(start, i - start);
        if (start == 0) {
            const std::size_t dot = part.rfind('.');
            const std::size_t nameStart = dot == std::string_view::npos ? 0 : dot + 1;
            group_ = span(0, dot == std::string_view::npos ? 0 : dot);
            name_ = span(nameStart, part.size() - nameStart);
        } else if (const std::size_t eq = part.find('='); eq == std::string_view::npos) {
            params_.push_back({Span{}, span(start, part.size())});
        } else {
            std::size_t vs = start + eq + 1, vn = part.size() - eq - 1;
            if (vn >= 2 && line[vs] == '"' && line[vs + vn - 1] == '"')
                vs += 1, vn -= 2;
            params_.push_back({span(start, eq), span(vs, vn)});
        }
        start = i + 1;
    }
    return name_.size > 0;
}

bool VCardPropertyReader::nextPhysical() {
    if (havePending_)
        return true;
    pendingLine_ = in_.lineNumber();
    pendingStatus_ = in_.readLine(pending_, kMaxLineBytes + 1);
    if (pendingStatus_ == ByteSource::Line::End)
        return false;
    havePending_ = true;
    return true;
}

// Whether the pending physical line continues `p` (binary values aside).
bool VCardPropertyReader::continues(const VCardProperty& p, bool qp) const {
    const std::string& text = p.text_;
    if (qp && !text.empty() && text.back() == '=' && !sameAsciiName(pending_, "END:VCARD"))
        return true;
    if (isIndented(pending_))
        return true;
    return v21_ && !text.empty() && text.back() == '\\' && !pending_.empty() &&
           headerEnd(pending_) == std::string_view::npos;
}

VCardPropertyReader::Result VCardPropertyReader::next(VCardProperty& p) {
    // Blank lines between properties mean nothing.
    for (;;) {
        if (!nextPhysical())
            return Result::End;
        if (!pending_.empty() || pendingStatus_ == ByteSource::Line::TooLong)
            break;
        havePending_ = false;
    }
    p.line_ = pendingLine_;
    p.text_.swap(pending_);
    bool tooLong = pendingStatus_ == ByteSource::Line::TooLong;
    havePending_ = false;
    auto append = [&](std::size_t skip) {
        if (p.text_.size() + pending_.size() > kMaxLineBytes ||
            pendingStatus_ != ByteSource::Line::Read)
            tooLong = true;
        else
            p.text_.append(pending_, skip);
        havePending_ = false;
    };
    // A header may itself be folded: join until its colon shows.
    while (headerEnd(p.text_) == std::string_view::npos && nextPhysical() && isIndented(pending_))
        append(1);

    const bool isProperty = p.parse();
    const bool binary = isProperty && isBinary(p);
    const bool qp = isProperty && !binary && p.isQuotedPrintable();
    p.dropped_ = binary && !keepBinary_;
    if (p.dropped_) {
        p.text_.resize(p.value_.pos); // the value is never kept
        tooLong = false;
    }
    while (nextPhysical()) {
        if (binary) {
            // Base64 runs on in indented lines, or (2.1) in bare lines up to a blank one.
            const bool bare = !pending_.empty() && headerEnd(pending_) == std::string_view::npos;
            if (!isIndented(pending_) && !bare) {
                if (pending_.empty())
                    havePending_ = false;
                break;
            }
            if (p.dropped_)
                havePending_ = false;
            else
                append(isIndented(pending_) ? 1 : 0);
            continue;
        }
        if (!continues(p, qp))
            break;
        if (qp && p.text_.back() == '=') {
            p.text_.pop_back(); // a soft line break: the next line continues as it is
            append(0);
        } else if (isIndented(pending_)) {
            append(1);
        } else {
            p.text_.back() = '\n';
            append(0);
        }
    }
    if (tooLong)
        return Result::TooLong;
    if (!isProperty)
        return Result::NotProperty;
    p.value_.size = std::uint32_t(p.text_.size() - p.value_.pos);

    const bool isCard = sameAsciiName(p.value(), "VCARD");
    if (p.isNamed("BEGIN") && isCard && depth_++ == 0)
        v21_ = false;
    else if (p.isNamed("END") && isCard && depth_ > 0)
        --depth_;
    else if (p.isNamed("VERSION") && depth_ <= 1)
        v21_ = startsWithNumber(p.value(), "2.") || startsWithNumber(p.value(), "1.");
    p.v21_ = v21_;
    return Result::Property;
}

} // namespace rolvane::exchange
