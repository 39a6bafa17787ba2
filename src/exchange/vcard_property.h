// The lexical half of vCard: physical lines joined into properties, each split into group, name,
// parameters and raw value. What a property means is left to its user (the contact mapping, the
// sync), so both read files by exactly the same rules.
#pragma once

#include "byte_source.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rolvane::exchange {

// One logical line. Holds its own text, so it may be copied and kept; every view it hands out
// lies in that text and lives as long as the property is unchanged.
class VCardProperty {
public:
    long long line() const { return line_; }                // where the property starts, from 1
    std::string_view group() const { return view(group_); } // "item1", or empty
    std::string_view name() const { return view(name_); }   // as written
    bool isNamed(std::string_view name) const;              // ASCII case ignored

    // Parameters in file order, quotes removed from values. A bare 2.1 parameter ("WORK",
    // "QUOTED-PRINTABLE") has an empty name. Lists ("TYPE=work,voice") are not split.
    std::size_t parameterCount() const { return params_.size(); }
    std::string_view parameterName(std::size_t i) const { return view(params_[i].name); }
    std::string_view parameterValue(std::size_t i) const { return view(params_[i].value); }
    // The value of the first parameter named `name` (case ignored), or empty.
    std::string_view parameter(std::string_view name) const;
    bool isQuotedPrintable() const;
    // Every kind named by TYPE parameters and bare ones, lists split, lower case, except the
    // encodings and "pref"; `preferred` tells whether "pref" or PREF= was among them.
    std::vector<std::string> types(bool* preferred = nullptr) const;

    // The value as written: unfolded and quoted-printable soft breaks joined, neither decoded nor
    // unescaped. Empty for a binary value read past (see `valueDropped`).
    std::string_view value() const { return view(value_); }
    bool valueDropped() const { return dropped_; }
    bool isVersion21() const { return v21_; }         // the card said VERSION:2.1 (or 1.x)
    const std::string& text() const { return text_; } // the whole logical line

private:
    friend class VCardPropertyReader;
    struct Span {
        std::uint32_t pos = 0, size = 0;
    };
    struct Parameter {
        Span name, value;
    };
    std::string_view view(Span s) const { return std::string_view(text_).substr(s.pos, s.size); }
    bool parse(); // fills the spans from text_; false when the line is no property

    long long line_ = 0;
    std::string text_;
    Span group_, name_, value_;
    std::vector<Parameter> params_;
    bool dropped_ = false;
    bool v21_ = false;
};

// Reads the properties of a file in order, nested cards included (BEGIN and END are properties
// like any other). Unfolding: a line end followed by one blank or tab is removed with that blank,
// in every version (the 2.1 exports of Outlook and Android fold their base64 that way). In 2.1
// alone, a value ending in a backslash continues on the next line when that line is not indented
// and holds no colon (Android's multi-line addresses); the backslash becomes a line break. A
// quoted-printable value ending in "=" continues on the next line whatever it starts with.
class VCardPropertyReader {
public:
    // Binary values (PHOTO, LOGO, SOUND, KEY, base64) are read past and dropped unless kept;
    // a kept one is held to kMaxLineBytes like any other value.
    enum class Binary { Drop, Keep };
    explicit VCardPropertyReader(ByteSource& in, Binary binary = Binary::Drop)
        : in_(in), keepBinary_(binary == Binary::Keep) {}

    enum class Result {
        Property,    // `out` holds the next property
        NotProperty, // a line with no name or colon; `out.text()` and `out.line()` tell it
        TooLong,     // the logical line passed kMaxLineBytes; `out.line()` tells where
        End,         // the end of the file, or a read failure (see `failed`)
    };
    // Reuse one `out` from call to call: its storage keeps its room.
    Result next(VCardProperty& out);
    bool failed() const { return in_.failed(); }
    long long lineNumber() const { return in_.lineNumber(); }

private:
    bool nextPhysical();
    bool continues(const VCardProperty& p, bool qp) const;

    ByteSource& in_;
    bool keepBinary_;
    bool v21_ = false;
    int depth_ = 0; // of nested cards: only the outer card's VERSION counts
    std::string pending_;
    ByteSource::Line pendingStatus_ = ByteSource::Line::End;
    long long pendingLine_ = 0;
    bool havePending_ = false;
};

} // namespace rolvane::exchange
