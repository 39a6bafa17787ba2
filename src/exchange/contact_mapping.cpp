// One mapping for every format, so a contact lands in the same columns whatever file it came in.
#include "contact_mapping.h"

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

// The kinds worth naming in a label; "voice", "internet" and "pref" say nothing to a reader.
std::string labelFor(const char* what, const std::vector<std::string>& types) {
    std::string label = what;
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
    if (!kinds.empty())
        label += " (" + kinds + ")";
    return label;
}

void appendLine(std::string& text, std::string_view line) {
    if (!text.empty())
        text += '\n';
    text += line;
}

std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ',');
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == ',' && i + 1 < text.size() && text[i + 1] != ' ')
            out += ' ';
    }
    return out;
}

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

void mapPhones(const Card& card, std::array<Column*, 11>& columns, std::string& leftover) {
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
            appendLine(leftover, labelFor("Phone", phones[i].types) + ": " + phones[i].value);
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

// Names from N; without one, from FN ("Jo van Dyke": the last word is the last name); without
// that, the organization as the last name, so the contact can be found by a letter. Returns
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
    if (card.formatted.empty()) {
        set(c.lastName, card.organization);
        return {};
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

void mapEmails(const Card& card, tool::Contact& c, std::string& leftover) {
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
            appendLine(leftover,
                       labelFor("E-mail", card.emails[i].types) + ": " + card.emails[i].value);
}

void mapAddresses(const Card& card, tool::Contact& c, std::string& leftover) {
    std::vector<bool> used(card.addresses.size(), false);
    if (const int i = preferredIndex(card.addresses, used); i >= 0) {
        set(c.addy, card.addresses[std::size_t(i)].lines());
        used[std::size_t(i)] = true;
    }
    for (std::size_t i = 0; i < card.addresses.size(); ++i)
        if (!used[i])
            appendLine(leftover, labelFor("Address", card.addresses[i].types) + ": " +
                                     oneLine(card.addresses[i].lines()));
}

} // namespace

bool toContact(const Card& card, tool::Contact& c) {
    c = tool::Contact();
    std::array<Column*, 11> columns = {&c.firstName, &c.lastName, &c.ph1,       &c.ph2,
                                       &c.ph3,       &c.email,    &c.bus,       &c.fax,
                                       &c.addy,      &c.comments, &c.lastUpdate};
    if (card.columns) {
        for (std::size_t i = 0; i < columns.size(); ++i)
            set(*columns[i], (*card.columns)[i]);
    } else {
        const std::string fullName = mapNames(card, c);
        std::string leftover;
        mapPhones(card, columns, leftover);
        mapEmails(card, c, leftover);
        mapAddresses(card, c, leftover);
        if (!fullName.empty())
            appendLine(leftover, "Full name: " + fullName);
        if ((card.hasName || !card.formatted.empty()) && !card.organization.empty())
            appendLine(leftover, "Organization: " + card.organization);
        for (const auto& [label, value] : card.extras)
            appendLine(leftover, label + ": " + oneLine(value));
        std::string comments = card.note;
        if (!leftover.empty())
            appendLine(comments, leftover);
        set(c.comments, std::move(comments));
        set(c.lastUpdate, card.lastUpdate ? *card.lastUpdate : stampFromRevision(card.revision));
    }
    return std::any_of(columns.begin(), columns.end(),
                       [](const Column* col) { return bool(*col); });
}

} // namespace rolvane::exchange
