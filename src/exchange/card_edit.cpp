// SPDX-License-Identifier: GPL-3.0-or-later
// Groups matter when a property goes: Apple's X-ABLabel and X-ABADR of a group mean nothing
// without the property they label.
#include "card_edit.h"

#include "card_lines.h"
#include "card_values.h"
#include "data/ascii_case.h"

#include <algorithm>

namespace rolvane::exchange {

std::string headOf(const std::string& line) {
    const std::size_t start = valueStart(line);
    return line.substr(0, start == std::string::npos ? line.size() : start - 1);
}

namespace {

std::string groupOf(const std::string& line) {
    const std::string head = headOf(line);
    const std::size_t end = std::min(head.find(';'), head.size());
    const std::size_t dot = head.rfind('.', end);
    return dot == std::string::npos ? std::string() : asciiLowerCase(head.substr(0, dot));
}

bool isGroupLabel(const EditLine& line) {
    return line.name.starts_with("X-AB") && line.name != "X-ABRELATEDNAMES" &&
           line.name != "X-ABDATE";
}

} // namespace

CardEdit::CardEdit(std::string_view card) {
    for (CardLine& read : splitCardLines(card)) {
        if (read.raw.empty())
            appendAnew(read.raw, read);
        EditLine line{
            std::move(read.text), std::move(read.raw), std::move(read.name), {}, read.line};
        line.group = groupOf(line.text);
        if (line.name == "VERSION" && valueStart(line.text) != std::string::npos)
            version_ = line.text.substr(valueStart(line.text));
        lines_.push_back(std::move(line));
    }
}

CardEdit CardEdit::blank(std::string_view version) {
    CardEdit card;
    card.version_ = std::string(version);
    const std::string lines[][2] = {
        {"BEGIN:VCARD", "BEGIN"}, {"VERSION:" + card.version_, "VERSION"}, {"END:VCARD", "END"}};
    for (const auto& [text, name] : lines)
        card.lines_.push_back(EditLine{text, text + "\r\n", name, {}, 0});
    return card;
}

EditLine* CardEdit::named(std::string_view name) {
    for (EditLine& line : lines_)
        if (!line.removed && line.name == name)
            return &line;
    for (EditLine& line : added_)
        if (!line.removed && line.name == name)
            return &line;
    return nullptr;
}

EditLine* CardEdit::at(long long n) {
    for (EditLine& line : lines_)
        if (!line.removed && line.line == n)
            return &line;
    return nullptr;
}

std::string CardEdit::groupLabel(const EditLine& of) {
    if (of.group.empty())
        return {};
    for (const EditLine& line : lines_)
        if (!line.removed && line.group == of.group && line.name == "X-ABLABEL")
            return line.text.substr(valueStart(line.text));
    return {};
}

void CardEdit::replaceValue(EditLine& line, const std::string& value) {
    replaceHead(line, headOf(line.text), value);
}

void CardEdit::replaceHead(EditLine& line, const std::string& head, const std::string& value) {
    line.text = head + ':' + value;
    line.raw = writeProperty(head, value, v21());
}

namespace {

EditLine newLine(const std::string& head, const std::string& value, bool v21) {
    EditLine line;
    line.text = head + ':' + value;
    line.raw = writeProperty(head, value, v21);
    const std::size_t end = std::min(head.find(';'), head.size());
    const std::size_t dot = head.rfind('.', end);
    line.name = asciiUpperCase(head.substr(dot == std::string::npos ? 0 : dot + 1,
                                           dot == std::string::npos ? end : end - dot - 1));
    if (dot != std::string::npos)
        line.group = asciiLowerCase(head.substr(0, dot));
    return line;
}

} // namespace

void CardEdit::add(const std::string& head, const std::string& value) {
    added_.push_back(newLine(head, value, v21()));
}

void CardEdit::addFirst(const std::string& head, const std::string& value) {
    added_.push_front(newLine(head, value, v21()));
}

void CardEdit::remove(EditLine& line) {
    line.removed = true;
    if (line.group.empty())
        return;
    const auto inGroup = [&](const EditLine& l) { return !l.removed && l.group == line.group; };
    if (std::any_of(lines_.begin(), lines_.end(),
                    [&](const EditLine& l) { return inGroup(l) && !isGroupLabel(l); }))
        return;
    for (EditLine& l : lines_)
        if (inGroup(l))
            l.removed = true;
}

std::string CardEdit::freeGroup() {
    for (;;) {
        const std::string name = "item" + std::to_string(++groups_);
        if (std::none_of(lines_.begin(), lines_.end(),
                         [&](const EditLine& l) { return l.group == name; }))
            return name;
    }
}

std::string CardEdit::text() const {
    // The card's own END is the last: any before it end cards nested in it.
    const auto end = std::find_if(lines_.rbegin(), lines_.rend(),
                                  [](const EditLine& line) { return line.name == "END"; });
    std::string out;
    std::size_t size = 0;
    for (const EditLine& line : lines_)
        size += line.raw.size();
    for (const EditLine& line : added_)
        size += line.raw.size();
    out.reserve(size);
    for (const EditLine& line : lines_) {
        if (end != lines_.rend() && &line == &*end)
            for (const EditLine& extra : added_)
                if (!extra.removed)
                    out += extra.raw;
        if (!line.removed)
            out += line.raw;
    }
    return out;
}

} // namespace rolvane::exchange
