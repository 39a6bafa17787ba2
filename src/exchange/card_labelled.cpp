// SPDX-License-Identifier: GPL-3.0-or-later
// A user's own label goes into an item group with Apple's X-ABLabel in every version: phones
// and web mail read it there, and vCard 4.0 has no parameter for it.
#include "card_labelled.h"

#include "card_labels.h"
#include "card_lines.h"
#include "card_values.h"
#include "contact_texts.h"
#include "data/ascii_case.h"

#include <algorithm>

namespace rolvane::exchange {

namespace {

bool same(const CardExtra& a, const CardExtra& b) {
    return a.name == b.name && a.qualifier == b.qualifier &&
           normalised(a.value) == normalised(b.value);
}

// The lines of `a` that are not in `b`, each counted once.
std::vector<CardExtra> minus(const std::vector<CardExtra>& a, std::vector<CardExtra> b) {
    std::vector<CardExtra> out;
    for (const CardExtra& line : a) {
        const auto it =
            std::find_if(b.begin(), b.end(), [&](const CardExtra& x) { return same(x, line); });
        if (it == b.end())
            out.push_back(line);
        else
            b.erase(it);
    }
    return out;
}

// "Ada Okafor" as N's family and given names: the last word is the family name.
std::pair<std::string, std::string> personName(const std::string& name) {
    const std::size_t space = name.rfind(' ');
    if (space == std::string::npos)
        return {name, {}};
    return {name.substr(space + 1), name.substr(0, space)};
}

class LabelPatch {
public:
    LabelPatch(CardEdit& card, const std::vector<CardExtra>& shown)
        : card_(card), shown_(shown), claimed_(shown.size(), false) {}
    void claim(const CardExtra& old) { find(old); }
    void edit(const CardExtra& old, const CardExtra& now);
    void remove(const CardExtra& old);
    void add(const CardExtra& now);

private:
    // The shown line `old` is, by value, then by order under its label; -1 for none.
    int find(const CardExtra& old);
    EditLine* lineOf(const CardExtra& shown, const LabelKind& kind);
    void setComponents(EditLine* line, const LabelKind& kind, int component,
                       const std::vector<std::string>& values);
    std::string head(const CardExtra& now, const LabelKind& kind);

    CardEdit& card_;
    const std::vector<CardExtra>& shown_;
    std::vector<bool> claimed_;
};

int LabelPatch::find(const CardExtra& old) {
    for (int pass = 0; pass < 3; ++pass)
        for (std::size_t i = 0; i < shown_.size(); ++i) {
            const CardExtra& s = shown_[i];
            const bool fits = pass == 0   ? same(s, old)
                              : pass == 1 ? s.name == old.name && s.qualifier == old.qualifier
                                          : s.name == old.name;
            if (!claimed_[i] && fits) {
                claimed_[i] = true;
                return int(i);
            }
        }
    return -1;
}

EditLine* LabelPatch::lineOf(const CardExtra& shown, const LabelKind& kind) {
    if (shown.line > 0)
        return card_.at(shown.line);
    if (kind.name == "Company") {
        EditLine* marker = card_.named("KIND");
        return marker ? marker : card_.named("X-ABSHOWAS");
    }
    return card_.named(kind.property);
}

void LabelPatch::setComponents(EditLine* line, const LabelKind& kind, int component,
                               const std::vector<std::string>& values) {
    std::vector<std::string> parts;
    if (line)
        parts = splitRawComponents(decodedValue(card_.version(), line->raw));
    parts.resize(std::max<std::size_t>(parts.size(), component + values.size()));
    for (std::size_t i = 0; i < values.size(); ++i)
        parts[std::size_t(component) + i] = escapeComponent(values[i], card_.v21());
    std::string joined;
    for (std::size_t i = 0; i < parts.size(); ++i)
        joined += (i ? ";" : "") + parts[i];
    const bool empty = std::all_of(parts.begin(), parts.end(), [](const std::string& p) {
        return p.empty() || p.starts_with("vnd.android");
    });
    if (!line)
        card_.add(std::string(kind.property), joined);
    else if (empty && kind.property != "N")
        card_.remove(*line);
    else
        card_.replaceValue(*line, joined);
}

void LabelPatch::edit(const CardExtra& old, const CardExtra& now) {
    const LabelKind* kind = labelKind(now.name);
    const int at = find(old);
    EditLine* line = at < 0 ? nullptr : lineOf(shown_[std::size_t(at)], *kind);
    if (!line || old.qualifier != now.qualifier || kind->name == "Company") {
        if (line || at < 0)
            remove(old);
        add(now);
        return;
    }
    const int component = shown_[std::size_t(at)].component;
    if (kind->name == "Contact person") {
        const auto [family, given] = personName(now.value);
        setComponents(line, *kind, 0, {family, given});
    } else if (component >= 0) {
        setComponents(line, *kind, component, {now.value});
    } else {
        std::string head = headOf(line->text);
        const std::string value = propertyValue(card_, head, line->name, now.value, nullptr);
        card_.replaceHead(*line, head, value);
    }
}

void LabelPatch::remove(const CardExtra& old) {
    const int at = find(old);
    if (at < 0)
        return;
    const LabelKind* kind = labelKind(old.name);
    EditLine* line = lineOf(shown_[std::size_t(at)], *kind);
    if (!line)
        return;
    const int component = shown_[std::size_t(at)].component;
    if (kind->name == "Contact person")
        setComponents(line, *kind, 0, {"", "", "", "", ""});
    else if (component >= 0)
        setComponents(line, *kind, component, {""});
    else
        card_.remove(*line);
}

// The group, name and parameters of a new property for `now`; a user's own label, and in 2.1
// and 3.0 a relation, is written as a labelled group.
std::string LabelPatch::head(const CardExtra& now, const LabelKind& kind) {
    std::string name(kind.property), params, label;
    const bool types = kind.qualifier == Qualifier::Types && isTypeList(now.qualifier);
    if (types || kind.qualifier == Qualifier::Service) {
        std::string list;
        for (char c : now.qualifier)
            if (c != ' ')
                list += c;
        params = card_.v21() ? ";" + asciiUpperCase(list) : ";TYPE=" + list;
        if (card_.v21())
            std::replace(params.begin(), params.end(), ',', ';');
    } else if (!now.qualifier.empty()) {
        label = escapeText(now.qualifier, card_.v21());
    }
    if (kind.property == "RELATED") {
        if (card_.v4()) {
            params = kind.relation.empty() ? ";VALUE=text"
                                           : ";TYPE=" + std::string(kind.relation) + ";VALUE=text";
        } else {
            name = "X-ABRELATEDNAMES";
            if (!kind.relation.empty())
                label = "_$!<" + std::string(kind.name) + ">!$_";
        }
    }
    if (label.empty())
        return name + params;
    const std::string group = card_.freeGroup();
    card_.add(group + ".X-ABLabel", label);
    return group + '.' + name + params;
}

void LabelPatch::add(const CardExtra& now) {
    const LabelKind* kind = labelKind(now.name);
    if (!kind || now.value.empty())
        return;
    if (kind->name == "Company") {
        card_.add(card_.v4() ? "KIND" : "X-ABShowAs", card_.v4() ? "org" : "COMPANY");
    } else if (kind->name == "Contact person") {
        const auto [family, given] = personName(now.value);
        setComponents(card_.named("N"), *kind, 0, {family, given});
    } else if (kind->component >= 0) {
        setComponents(card_.named(kind->property), *kind, kind->component, {now.value});
    } else {
        std::string h = head(now, *kind);
        const std::string value = propertyValue(card_, h, kind->property, now.value, nullptr);
        card_.add(h, value);
    }
}

} // namespace

void patchLabelled(CardEdit& card, const std::vector<CardExtra>& shown,
                   const std::vector<CardExtra>& from, const std::vector<CardExtra>& to) {
    std::vector<CardExtra> removed = minus(from, to);
    std::vector<CardExtra> added = minus(to, from);
    LabelPatch patch(card, shown);
    // Lines that stay claim their properties first, so a changed line never takes another's.
    for (const CardExtra& kept : minus(from, removed))
        patch.claim(kept);
    for (const CardExtra& old : removed) {
        const auto now = std::find_if(added.begin(), added.end(),
                                      [&](const CardExtra& a) { return a.name == old.name; });
        if (now == added.end()) {
            patch.remove(old);
        } else {
            patch.edit(old, *now);
            added.erase(now);
        }
    }
    for (const CardExtra& now : added)
        patch.add(now);
}

} // namespace rolvane::exchange
