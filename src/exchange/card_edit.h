// SPDX-License-Identifier: GPL-3.0-or-later
// A server's card being patched: its properties with their physical lines, so what is not
// touched goes back byte for byte, and the few operations a patch needs.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace rolvane::exchange {

struct EditLine {
    std::string text;  // the logical line
    std::string raw;   // the physical lines, as they came or as rewritten
    std::string name;  // upper case, without its group
    std::string group; // lower case, or empty
    long long line = 0;
    bool removed = false;
    bool claimed = false;
};

class CardEdit {
public:
    explicit CardEdit(std::string_view card);
    // A card with nothing but BEGIN, VERSION and END, made without reading one.
    static CardEdit blank(std::string_view version);

    bool v21() const { return version_.starts_with("2.") || version_.starts_with("1."); }
    bool v4() const { return version_.starts_with("4."); }
    const std::string& version() const { return version_; }
    std::vector<EditLine>& lines() { return lines_; }
    bool anyAdded() const { return !added_.empty(); }

    // The first property named `name`, among those added too.
    EditLine* named(std::string_view name);
    EditLine* at(long long line); // the property that starts on `line`
    // The value of `line`'s group's X-ABLabel, as written; empty when it has none.
    std::string groupLabel(const EditLine& line);

    // `value` is escaped for the card's version already.
    void replaceValue(EditLine& line, const std::string& value);
    void replaceHead(EditLine& line, const std::string& head, const std::string& value);
    void add(const std::string& head, const std::string& value);
    void addFirst(const std::string& head, const std::string& value);
    // Removes `line`, and its group's labels when nothing else of the group stays.
    void remove(EditLine& line);
    // A group name no property of the card uses.
    std::string freeGroup();

    // The card with the added lines before its own END.
    std::string text() const;

private:
    CardEdit() = default;
    std::string version_ = "3.0";
    std::vector<EditLine> lines_;
    std::deque<EditLine> added_; // kept in place: callers hold pointers to them
    int groups_ = 0;
};

// The head (group, name, parameters) of a logical line.
std::string headOf(const std::string& line);

} // namespace rolvane::exchange
