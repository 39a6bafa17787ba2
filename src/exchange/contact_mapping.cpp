// SPDX-License-Identifier: GPL-3.0-or-later
// One mapping for every format, so a contact lands in the same columns whatever file it came in.
#include "contact_mapping.h"

#include "card_labels.h"
#include "comment_lines.h"
#include "data/date_stamp.h"

#include <QDate>
#include <algorithm>

namespace rolvane::exchange {

namespace {

using Column = std::optional<std::string>;

void set(Column& column, std::string value) {
    if (value.empty())
        column.reset();
    else
        column = std::move(value);
}

// The kinds worth naming in a label; "voice", "internet" and "pref" say nothing to a reader. A
// user's own label stands alone: it is what the user sees on the phone.
std::string qualifierOf(const std::vector<std::string>& types, const std::string& own) {
    if (!own.empty())
        return own;
    std::string kinds;
    for (const std::string& t : types) {
        if (t == "voice" || t == "internet" || t == "x400" || t == "pref" || t.empty())
            continue;
        if (kinds.find(t) != std::string::npos)
            continue;
        if (!kinds.empty())
            kinds += ", ";
        kinds += t;
    }
    return kinds;
}

using Lines = std::vector<CardExtra>;

// Index of the preferred entry, else the first; -1 for none.
template <typename T>
int preferredIndex(const std::vector<T>& list, const std::vector<bool>& used) {
    int first = -1;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (used[i])
            continue;
        if (list[i].preferred)
            return int(i);
        if (first < 0)
            first = int(i);
    }
    return first;
}

bool isFax(const CardValue& v) {
    return v.is("fax");
}

void mapPhones(const Card& card, std::array<Column*, 11>& columns, Lines& leftover) {
    const auto& phones = card.phones;
    std::vector<bool> used(phones.size(), false);
    // Our own export names each number's column.
    for (std::size_t i = 0; i < phones.size(); ++i) {
        const int c = phones[i].column;
        if (c >= 2 && c <= 7 && c != 5 && !*columns[std::size_t(c)]) {
            set(*columns[std::size_t(c)], phones[i].value);
            used[i] = true;
        }
    }
    Column& bus = *columns[6];
    Column& fax = *columns[7];
    auto takeFirst = [&](Column& column, auto&& fits) {
        if (column)
            return;
        for (std::size_t i = 0; i < phones.size(); ++i) {
            if (!used[i] && fits(phones[i])) {
                set(column, phones[i].value);
                used[i] = true;
                return;
            }
        }
    };
    takeFirst(bus, [](const CardValue& v) { return v.is("work") && !isFax(v) && !v.is("pager"); });
    takeFirst(fax, [](const CardValue& v) { return isFax(v) && v.is("work"); });
    takeFirst(fax, [](const CardValue& v) { return isFax(v) && v.is("home"); });
    takeFirst(fax, isFax);
    // The rest in order, the preferred ones first.
    std::vector<std::size_t> rest;
    for (std::size_t i = 0; i < phones.size(); ++i)
        if (!used[i])
            rest.push_back(i);
    std::stable_partition(rest.begin(), rest.end(),
                          [&](std::size_t i) { return phones[i].preferred; });
    for (std::size_t i : rest) {
        Column* free = nullptr;
        for (std::size_t c = 2; c <= 4 && !free; ++c)
            if (!*columns[c])
                free = columns[c];
        if (free) {
            set(*free, phones[i].value);
        } else {
            leftover.push_back({"Phone", qualifierOf(phones[i].types, phones[i].label),
                                phones[i].value, phones[i].line});
        }
    }
}

} // namespace

std::string stampFromRevision(std::string_view revision) {
    std::string digits;
    for (char c : revision) {
        if (c == 'T' || c == 't')
            break;
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c != '-')
            return {};
    }
    if (digits.size() != 8)
        return {};
    const QDate date(std::stoi(digits.substr(0, 4)), std::stoi(digits.substr(4, 2)),
                     std::stoi(digits.substr(6, 2)));
    if (!date.isValid())
        return {};
    // An imported date reads as the program's own stamp of that day.
    return dateStamp(date).toStdString();
}

namespace {

bool isCompany(const Card& card) {
    return card.company || (!card.hasName && !card.organization.empty() &&
                            (card.formatted.empty() || card.formatted == card.organization));
}

// A company is filed under its name in Last Name, as the sample book does; its N, if any, is
// the person to ask for.
void mapCompany(const Card& card, tool::Contact& c, Lines& lines) {
    const std::string& name = card.organization.empty() ? card.formatted : card.organization;
    set(c.lastName, name);
    lines.push_back({"Company", {}, "yes", 0});
    std::string person = card.given;
    if (!person.empty() && !card.family.empty())
        person += ' ';
    person += card.family;
    if (!person.empty())
        lines.push_back({"Contact person", {}, person, card.nameLine});
    if (!card.formatted.empty() && card.formatted != name)
        lines.push_back({"Full name", {}, card.formatted, 0});
}

// Names from N; without one, from FN ("Jo van Dyke": the last word is the last name). Returns
// the full name when it says more than the parts.
std::string mapNames(const Card& card, tool::Contact& c) {
    if (card.hasName) {
        set(c.firstName, card.given);
        set(c.lastName, card.family);
        std::string composed = card.given;
        if (!composed.empty() && !card.family.empty())
            composed += ' ';
        composed += card.family;
        return !card.formatted.empty() && card.formatted != composed ? card.formatted
                                                                     : std::string();
    }
    std::string name = card.formatted;
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    const std::size_t space = name.find_last_of(' ');
    if (space == std::string::npos) {
        set(c.lastName, name);
        return {};
    }
    std::string first = name.substr(0, space);
    while (!first.empty() && first.back() == ' ')
        first.pop_back();
    set(c.firstName, first);
    set(c.lastName, name.substr(space + 1));
    return {};
}

void mapEmails(const Card& card, tool::Contact& c, Lines& leftover) {
    std::vector<bool> used(card.emails.size(), false);
    for (std::size_t i = 0; i < card.emails.size() && !c.email; ++i)
        if (card.emails[i].column == 5) {
            set(c.email, card.emails[i].value);
            used[i] = true;
        }
    if (!c.email) {
        if (const int i = preferredIndex(card.emails, used); i >= 0) {
            set(c.email, card.emails[std::size_t(i)].value);
            used[std::size_t(i)] = true;
        }
    }
    for (std::size_t i = 0; i < card.emails.size(); ++i)
        if (!used[i])
            leftover.push_back({"E-mail", qualifierOf(card.emails[i].types, card.emails[i].label),
                                card.emails[i].value, card.emails[i].line});
}

void mapAddresses(const Card& card, tool::Contact& c, Lines& leftover) {
    std::vector<bool> used(card.addresses.size(), false);
    if (const int i = preferredIndex(card.addresses, used); i >= 0) {
        set(c.addy, card.addresses[std::size_t(i)].lines());
        used[std::size_t(i)] = true;
    }
    for (std::size_t i = 0; i < card.addresses.size(); ++i)
        if (!used[i])
            leftover.push_back({"Address",
                                qualifierOf(card.addresses[i].types, card.addresses[i].label),
                                card.addresses[i].lines(), card.addresses[i].line});
}

} // namespace

ShownCard showCard(const Card& card) {
    ShownCard out;
    tool::Contact& c = out.contact;
    std::array<Column*, 11> columns = {&c.firstName, &c.lastName, &c.ph1,       &c.ph2,
                                       &c.ph3,       &c.email,    &c.bus,       &c.fax,
                                       &c.addy,      &c.comments, &c.lastUpdate};
    if (card.columns) {
        for (std::size_t i = 0; i < columns.size(); ++i)
            set(*columns[i], (*card.columns)[i]);
        return out;
    }
    Lines& lines = out.lines;
    const bool company = isCompany(card);
    if (company) {
        mapCompany(card, c, lines);
    } else if (const std::string full = mapNames(card, c); !full.empty()) {
        lines.push_back({"Full name", {}, full, 0});
    }
    mapPhones(card, columns, lines);
    mapEmails(card, c, lines);
    mapAddresses(card, c, lines);
    if (!company && !card.organization.empty())
        lines.push_back({"Organization", {}, card.organization, card.orgLine, 0});
    // A column with a name of its own ("ContactTitle") is no property: it is note text, where
    // reading Comments back would put it anyway.
    out.note = card.note;
    for (const CardExtra& e : card.extras) {
        if (!labelKind(e.name))
            out.note += (out.note.empty() ? "" : "\n") + labelledLine(e);
        else if (!company || e.line != card.nameLine || card.nameLine == 0)
            lines.push_back(e);
    }
    // Fixed order by label; a label's lines in the card's order.
    std::stable_sort(lines.begin(), lines.end(), [](const CardExtra& a, const CardExtra& b) {
        return labelRank(a.name) < labelRank(b.name);
    });
    set(c.comments, joinComments(out.note, lines));
    set(c.lastUpdate, card.lastUpdate ? *card.lastUpdate : stampFromRevision(card.revision));
    return out;
}

bool toContact(const Card& card, tool::Contact& c) {
    c = showCard(card).contact;
    const auto columns = tool::columnValues(c);
    return std::any_of(columns.begin(), columns.end(),
                       [](const std::optional<std::string>* col) { return bool(*col); });
}

} // namespace rolvane::exchange
