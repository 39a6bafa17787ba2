// SPDX-License-Identifier: GPL-3.0-or-later
// Each field is found in the old card by the value the reader gives its property, so the line
// that is replaced is the one the field was read from; a field with no line gets a new one.
#include "card_patch.h"

#include "card_lines.h"
#include "card_texts.h"
#include "card_values.h"
#include "exchange/byte_source.h"
#include "exchange/vcard_reader.h"

#include <QBuffer>
#include <algorithm>
#include <optional>

namespace rolvane::carddav {

namespace {

struct Line {
    std::string text;
    std::string raw; // the physical lines, as they came or as rewritten
    std::string name;
    bool removed = false;
    bool claimed = false;
};

// The reader's view of one property (its physical lines), read alone in a card of the same version.
std::optional<exchange::Card> readProperty(const std::string& version, const std::string& lines) {
    QByteArray bytes = QByteArrayLiteral("BEGIN:VCARD\r\nVERSION:");
    bytes += QByteArray::fromStdString(version) + "\r\n";
    bytes += QByteArray::fromStdString(lines) + "END:VCARD\r\n";
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    exchange::ByteSource source(device);
    std::optional<exchange::Card> result;
    exchange::ReadCallbacks callbacks;
    callbacks.card = [&result](exchange::Card& card) {
        result = std::move(card);
        return false;
    };
    exchange::readVCards(source, callbacks);
    return result;
}

std::string composedName(const Texts& t) {
    std::string name = t[First];
    if (!name.empty() && !t[Last].empty())
        name += ' ';
    return name + t[Last];
}

// Splits a structured value on semicolons that no backslash escapes.
std::vector<std::string> rawComponents(std::string_view value) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            parts.back() += value.substr(i, 2);
            ++i;
        } else if (value[i] == ';') {
            parts.emplace_back();
        } else {
            parts.back() += value[i];
        }
    }
    return parts;
}

std::string head(const std::string& line) {
    const std::size_t start = valueStart(line);
    return line.substr(0, start == std::string::npos ? line.size() : start - 1);
}

class Patcher {
public:
    Patcher(std::string_view base, const Texts& from, const Texts& to)
        : from_(from), to_(to), leftover_(readCardTexts(base).value_or(CardTexts{}).leftover) {
        for (CardLine& read : splitCardLines(base)) {
            if (read.raw.empty())
                appendAnew(read.raw, read);
            Line line{std::move(read.text), std::move(read.raw), std::move(read.name)};
            if (line.name == "VERSION" && valueStart(line.text) != std::string::npos)
                version_ = line.text.substr(valueStart(line.text));
            lines_.push_back(std::move(line));
        }
    }
    std::string run(std::string_view revision);

private:
    bool changed(Field f) const { return !sameField(from_, to_, f); }
    Line* find(const char* name);
    // The line whose value the reader gives as `text` for the property `name`.
    Line* findByValue(const char* name, Field field);
    bool v21() const { return version_.starts_with("2.") || version_.starts_with("1."); }
    std::string text(const std::string& t) const { return escapeText(t, v21()); }
    std::string component(const std::string& t) const { return escapeComponent(t, v21()); }
    std::optional<exchange::Card> read(const Line& line) const {
        return readProperty(version_, line.raw);
    }
    void replaceValue(Line& line, const std::string& value) {
        const std::string written = head(line.text);
        line.text = written + ':' + value;
        line.raw = writeProperty(written, value, v21());
    }
    void add(const std::string& head, const std::string& value) {
        added_.push_back(writeProperty(head, value, v21()));
    }
    void setValues(const char* name, Field field, const std::string& newHead);
    void patchNames();
    void patchAddress();
    void patchNote();

    const Texts& from_;
    const Texts& to_;
    std::string leftover_;
    std::string version_ = "3.0";
    std::vector<Line> lines_;
    std::vector<std::string> added_;
};

Line* Patcher::find(const char* name) {
    for (Line& line : lines_)
        if (!line.removed && line.name == name)
            return &line;
    return nullptr;
}

Line* Patcher::findByValue(const char* name, Field field) {
    const std::string wanted = normalised(from_[field]);
    if (wanted.empty())
        return nullptr;
    for (Line& line : lines_) {
        if (line.removed || line.claimed || line.name != name)
            continue;
        const std::optional<exchange::Card> card = read(line);
        if (!card)
            continue;
        std::string value;
        if (field == Email && !card->emails.empty())
            value = card->emails.front().value;
        else if (field == Addy && !card->addresses.empty())
            value = card->addresses.front().lines();
        else if (!card->phones.empty())
            value = card->phones.front().value;
        if (normalised(value) == wanted) {
            line.claimed = true;
            return &line;
        }
    }
    return nullptr;
}

void Patcher::setValues(const char* name, Field field, const std::string& newHead) {
    Line* line = findByValue(name, field);
    const std::string& text = to_[field];
    if (text.empty()) {
        if (line)
            line->removed = true;
        return;
    }
    const std::string value = field == Addy ? ";;" + component(text) + ";;;;" : this->text(text);
    if (line)
        replaceValue(*line, value);
    else
        add(newHead, value);
}

void Patcher::patchNames() {
    if (Line* n = find("N")) {
        // The other components stay as written, but decoded: the line is encoded anew.
        std::vector<std::string> parts = rawComponents(decodedValue(version_, n->raw));
        parts.resize(std::max<std::size_t>(parts.size(), 5));
        parts[0] = component(to_[Last]);
        parts[1] = component(to_[First]);
        std::string joined;
        for (std::size_t i = 0; i < parts.size(); ++i)
            joined += (i ? ";" : "") + parts[i];
        replaceValue(*n, joined);
    } else {
        add("N", component(to_[Last]) + ';' + component(to_[First]) + ";;;");
    }
    // FN follows the names only when it was made from them; a chosen display name stays.
    Line* fn = find("FN");
    const std::optional<exchange::Card> old = fn ? read(*fn) : std::nullopt;
    const std::string composed = composedName(to_);
    if (!fn)
        add("FN", text(composed));
    else if (!old || normalised(old->formatted) == normalised(composedName(from_)))
        replaceValue(*fn, text(composed));
}

void Patcher::patchAddress() {
    setValues("ADR", Addy, "ADR;TYPE=HOME");
}

void Patcher::patchNote() {
    const std::string note = noteFromComments(to_[Comments], leftover_);
    // The reader joins every NOTE into one text, so the first holds it all and the rest go.
    bool kept = false;
    for (Line& line : lines_) {
        if (line.removed || line.name != "NOTE")
            continue;
        if (kept || note.empty()) {
            line.removed = true;
        } else {
            replaceValue(line, text(note));
            kept = true;
        }
    }
    if (!kept && !note.empty())
        add("NOTE", text(note));
}

std::string Patcher::run(std::string_view revision) {
    if (changed(First) || changed(Last))
        patchNames();
    // Claims first, so a changed number never takes the line of one that stays.
    constexpr Field phones[] = {Ph1, Ph2, Ph3, Bus, Fax};
    for (Field f : phones)
        if (!changed(f))
            findByValue("TEL", f);
    for (Field f : phones) {
        if (!changed(f))
            continue;
        const char* types = f == Bus ? "WORK,VOICE" : f == Fax ? "FAX" : "VOICE";
        setValues("TEL", f,
                  std::string("TEL;TYPE=") + types +
                      ";X-ROLVANE-FIELD=" + std::string(kColumnNames[f]));
    }
    if (changed(Email))
        setValues("EMAIL", Email, "EMAIL;TYPE=INTERNET");
    if (changed(Addy))
        patchAddress();
    if (changed(Comments))
        patchNote();
    const bool fnAdded = std::any_of(added_.begin(), added_.end(), [](const std::string& l) {
        return l.starts_with("FN:") || l.starts_with("FN;");
    });
    if (!find("FN") && !fnAdded) // required by every version
        added_.insert(added_.begin(), writeProperty("FN", text(composedName(to_)), v21()));
    const bool any = !added_.empty() || !sameFields(from_, to_);
    if (any) {
        if (Line* rev = find("REV"))
            rev->removed = true;
        add("REV", std::string(revision));
    }
    // The card's own END is the last: any before it end cards nested in it.
    const auto end = std::find_if(lines_.rbegin(), lines_.rend(),
                                  [](const Line& line) { return line.name == "END"; });
    std::string out;
    for (const Line& line : lines_) {
        if (end != lines_.rend() && &line == &*end)
            for (const std::string& extra : added_)
                out += extra;
        if (!line.removed)
            out += line.raw;
    }
    return out;
}

} // namespace

std::string noteFromComments(std::string_view comments, std::string_view leftover) {
    const std::string text = normalised(comments);
    const std::string tail = normalised(leftover);
    if (tail.empty())
        return text;
    if (text == tail)
        return {};
    if (text.size() > tail.size() && text.ends_with("\n" + tail))
        return text.substr(0, text.size() - tail.size() - 1);
    // The labelled lines were edited in place: whichever of them is still there stays out.
    std::string out;
    std::size_t pos = 0;
    const std::string wrapped = "\n" + tail + "\n";
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        if (wrapped.find("\n" + line + "\n") == std::string::npos) {
            if (!out.empty())
                out += '\n';
            out += line;
        }
        pos = end + 1;
    }
    return out;
}

std::string patchCard(std::string_view base, const Texts& from, const Texts& to,
                      std::string_view revision) {
    return Patcher(base, from, to).run(revision);
}

std::string newCard(const Texts& texts, std::string_view uid, bool version4,
                    std::string_view revision) {
    std::string skeleton = "BEGIN:VCARD\r\nVERSION:";
    skeleton += version4 ? "4.0" : "3.0";
    skeleton += "\r\nUID:";
    skeleton += uid;
    skeleton += "\r\nEND:VCARD\r\n";
    return patchCard(skeleton, Texts{}, texts, revision);
}

} // namespace rolvane::carddav
