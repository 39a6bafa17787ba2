// SPDX-License-Identifier: GPL-3.0-or-later
// Names are compared by their letters and digits alone, lower case ("E-mail 2 Address" and
// "Email2Address" are one name), so one table serves CSV headers and Access column names.
#include "column_layout.h"

#include <algorithm>
#include <map>

namespace rolvane::exchange {

namespace {

std::string key(std::string_view name) {
    std::string k;
    for (char c : name) {
        if (c >= 'A' && c <= 'Z')
            k += char(c + 32);
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            k += c;
    }
    return k;
}

std::string lowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return out;
}

std::string trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return std::string(s);
}

struct PhoneName {
    const char* key;
    std::vector<std::string> types;
};
const std::vector<PhoneName>& phoneNames() {
    static const std::vector<PhoneName> names = {
        {"businessphone", {"work", "voice"}},
        {"businessphone2", {"work", "voice"}},
        {"workphone", {"work", "voice"}},
        {"homephone", {"home"}},
        {"homephone2", {"home"}},
        {"mobilephone", {"cell"}},
        {"mobilenumber", {"cell"}},
        {"mobile", {"cell"}},
        {"cellphone", {"cell"}},
        {"carphone", {"car"}},
        {"otherphone", {}},
        {"primaryphone", {"primary"}},
        {"pager", {"pager"}},
        {"pagernumber", {"pager"}},
        {"businessfax", {"work", "fax"}},
        {"homefax", {"home", "fax"}},
        {"otherfax", {"fax"}},
        {"faxnumber", {"fax"}},
        {"fax", {"fax"}},
        {"companymainphone", {"work", "main"}},
        {"callback", {"callback"}},
        {"radiophone", {"radio"}},
        {"telex", {"telex"}},
        {"ttytddphone", {"tty"}},
        {"isdn", {"isdn"}},
        {"assistantsphone", {"assistant"}},
        {"phone", {}},
        {"telephone", {}},
        {"phonenumber", {}},
    };
    return names;
}

const char* const kEmailNames[] = {"emailaddress",  "email2address",  "email3address",
                                   "primaryemail",  "secondaryemail", "email",
                                   "emailaddress2", "emailaddress3"};

// Outlook writes these with a value that means nothing was set.
const std::map<std::string, std::string>& placeholders() {
    static const std::map<std::string, std::string> values = {
        {"birthday", "0/0/00"}, {"anniversary", "0/0/00"}, {"gender", "Unspecified"},
        {"priority", "Normal"}, {"sensitivity", "Normal"}, {"private", "False"}};
    return values;
}

// Outlook's per-address bookkeeping and Google's group lists say nothing about the contact.
bool isBookkeeping(const std::string& k) {
    static const char* const names[] = {
        "emailtype",        "email2type",        "email3type",
        "emaildisplayname", "email2displayname", "email3displayname",
        "labels",           "groupmembership",   "fileas"};
    return std::find_if(std::begin(names), std::end(names),
                        [&](const char* n) { return k == n; }) != std::end(names);
}

// "Phone 1 - Value" -> ("Phone", "1", "Value").
bool splitNumbered(std::string_view name, std::string& kind, std::string& number,
                   std::string& part) {
    const std::size_t dash = name.find(" - ");
    if (dash == std::string_view::npos)
        return false;
    std::string_view left = name.substr(0, dash);
    const std::size_t space = left.rfind(' ');
    if (space == std::string_view::npos)
        return false;
    number = std::string(left.substr(space + 1));
    if (number.empty() ||
        !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    kind = key(left.substr(0, space));
    part = key(name.substr(dash + 3));
    return true;
}

// Google's labels: "* Work" is the primary work value; "Work Fax" is two kinds; "Mobile" a cell.
void labelTypes(std::string_view label, std::vector<std::string>& types, bool& preferred) {
    std::string l = trimmed(label);
    if (l.rfind("* ", 0) == 0) {
        preferred = true;
        l.erase(0, 2);
    }
    std::string word;
    auto flush = [&]() {
        if (word.empty())
            return;
        std::string t = lowerCase(word);
        if (t == "mobile")
            t = "cell";
        types.push_back(std::move(t));
        word.clear();
    };
    for (char c : l) {
        if (c == ' ')
            flush();
        else
            word += c;
    }
    flush();
}

std::vector<std::string_view> splitCell(std::string_view cell) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = cell.find(" ::: ");
        parts.push_back(cell.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        cell.remove_prefix(at + 5);
    }
}

void appendPart(std::string& to, std::string_view value) {
    if (!to.empty())
        to += '\n';
    to += value;
}

} // namespace

std::optional<ColumnLayout> ColumnLayout::recognise(const std::vector<std::string>& names,
                                                    std::string& expected, bool anyNames) {
    ColumnLayout layout;
    layout.columns_.resize(names.size());

    // The book's own columns, as export writes them and the old program's table holds them: all
    // eleven, taken as they are (a key column beside them means nothing to the book).
    {
        std::vector<int> index(names.size(), -1);
        std::size_t found = 0;
        for (std::size_t i = 0; i < names.size(); ++i)
            for (std::size_t c = 0; c < kColumnNames.size(); ++c)
                if (trimmed(names[i]) == kColumnNames[c] &&
                    std::find(index.begin(), index.end(), int(c)) == index.end()) {
                    index[i] = int(c);
                    ++found;
                }
        if (found == kColumnNames.size()) {
            layout.own_ = true;
            for (std::size_t i = 0; i < names.size(); ++i) {
                layout.columns_[i].role = index[i] >= 0 ? Role::Own : Role::Ignore;
                layout.columns_[i].group = index[i];
            }
            return layout;
        }
    }

    std::map<std::string, int> groupIds;
    auto group = [&](const std::string& name, std::vector<std::string> types) {
        auto [it, added] = groupIds.emplace(name, int(layout.groups_.size()));
        if (added)
            layout.groups_.push_back({std::move(types), -1});
        return it->second;
    };
    std::map<std::string, int> labelColumns; // "phone1" -> column of its label
    int nameColumns = 0;
    int detailColumns = 0;

    for (std::size_t i = 0; i < names.size(); ++i) {
        Column& col = layout.columns_[i];
        const std::string k = key(names[i]);
        std::string kind, number, part;
        if (splitNumbered(names[i], kind, number, part)) {
            const std::string pair = kind + number;
            if (part == "label" || part == "type") {
                labelColumns[pair] = int(i);
                if (kind == "address")
                    layout.groups_[std::size_t(group(pair, {}))].labelAt = int(i);
                continue;
            }
            if (kind == "email" && part == "value") {
                col.role = Role::Email;
            } else if (kind == "phone" && part == "value") {
                col.role = Role::Phone;
            } else if (kind == "address") {
                col.role = Role::Address;
                col.group = group(pair, {});
                static const std::map<std::string, Part> parts = {
                    {"formatted", Part::Formatted}, {"street", Part::Street},
                    {"city", Part::City},           {"pobox", Part::PoBox},
                    {"region", Part::Region},       {"postalcode", Part::PostalCode},
                    {"country", Part::Country},     {"extendedaddress", Part::Extended}};
                const auto p = parts.find(part);
                if (p == parts.end()) {
                    col.role = Role::Extra;
                    col.label = names[i];
                } else {
                    col.part = p->second;
                }
            } else if (kind == "organization" && part == "name") {
                col.role = Role::Org;
            } else if (part == "value" || kind == "organization") {
                col.role = Role::Extra;
                // "Website 1 - Value" is labelled "Website"; "Organization 1 - Title" "Title".
                const std::string_view whole(names[i]);
                const std::size_t dash = whole.find(" - ");
                const std::string_view left = whole.substr(0, dash);
                col.label = kind == "organization" ? trimmed(whole.substr(dash + 3))
                                                   : trimmed(left.substr(0, left.rfind(' ')));
            } else {
                col.role = Role::Extra;
                col.label = names[i];
            }
            if (col.role == Role::Email || col.role == Role::Phone ||
                (col.role == Role::Extra && part == "value"))
                col.group = -2 - int(i); // resolved to its label column below
            if (col.role != Role::Extra)
                ++detailColumns;
            continue;
        }

        if (k == "firstname" || k == "givenname") {
            col.role = Role::Given;
        } else if (k == "lastname" || k == "familyname" || k == "surname") {
            col.role = Role::Family;
        } else if (k == "middlename" || k == "additionalname") {
            col.role = Role::Middle;
        } else if (k == "name" || k == "displayname" || k == "fullname" || k == "contactname") {
            col.role = Role::Formatted;
        } else if (k == "company" || k == "companyname" || k == "organization" ||
                   k == "organizationname" || k == "organisation") {
            col.role = Role::Org;
        } else if (k == "notes" || k == "note") {
            col.role = Role::Note;
        } else if (isBookkeeping(k)) {
            col.role = Role::Ignore;
        } else if (std::find(std::begin(kEmailNames), std::end(kEmailNames), k) !=
                   std::end(kEmailNames)) {
            col.role = Role::Email;
        } else {
            const auto phone = std::find_if(phoneNames().begin(), phoneNames().end(),
                                            [&](const PhoneName& p) { return k == p.key; });
            if (phone != phoneNames().end()) {
                col.role = Role::Phone;
                col.types = phone->types;
            } else {
                // An address part, with the address it belongs to in front: "Home City".
                static const std::pair<const char*, std::vector<std::string>> prefixes[] = {
                    {"business", {"work"}},
                    {"work", {"work"}},
                    {"home", {"home"}},
                    {"other", {}},
                    {"", {}}};
                static const std::pair<const char*, Part> suffixes[] = {
                    {"street", Part::Street},         {"street2", Part::Extended},
                    {"street3", Part::Extended},      {"address", Part::Street},
                    {"address2", Part::Extended},     {"addresspobox", Part::PoBox},
                    {"pobox", Part::PoBox},           {"city", Part::City},
                    {"state", Part::Region},          {"region", Part::Region},
                    {"postalcode", Part::PostalCode}, {"zipcode", Part::PostalCode},
                    {"zip", Part::PostalCode},        {"countryregion", Part::Country},
                    {"country", Part::Country}};
                for (const auto& [prefix, types] : prefixes) {
                    const std::string p = prefix;
                    if (k.rfind(p, 0) != 0)
                        continue;
                    const std::string rest = k.substr(p.size());
                    const auto s = std::find_if(std::begin(suffixes), std::end(suffixes),
                                                [&](const auto& x) { return rest == x.first; });
                    if (s == std::end(suffixes))
                        continue;
                    col.role = Role::Address;
                    col.part = s->second;
                    col.group = group(p, types);
                    break;
                }
                if (col.role != Role::Address) {
                    col.role = Role::Extra;
                    col.label = trimmed(names[i]);
                    if (const auto ph = placeholders().find(k); ph != placeholders().end())
                        col.skipValue = ph->second;
                }
            }
        }
        if (col.role == Role::Given || col.role == Role::Family || col.role == Role::Formatted)
            ++nameColumns;
        else if (col.role == Role::Phone || col.role == Role::Email || col.role == Role::Address)
            ++detailColumns;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        Column& col = layout.columns_[i];
        if (col.group > -2 || col.role == Role::Address)
            continue;
        std::string kind, number, part;
        splitNumbered(names[i], kind, number, part);
        const auto label = labelColumns.find(kind + number);
        col.labelAt = label == labelColumns.end() ? -1 : label->second;
        col.group = -1;
    }
    if (!anyNames && (nameColumns == 0 || detailColumns == 0)) {
        expected = "the book's own columns (First Name, Last Name, Ph1, Ph2, Ph3, Email, Bus, Fax, "
                   "Addy, Comments, Last Update), or the columns that Google Contacts, Outlook or "
                   "Thunderbird export (First Name or Given Name or Display Name, with phone, "
                   "e-mail or address columns)";
        return std::nullopt;
    }
    return layout;
}

void ColumnLayout::fill(const std::vector<std::string>& row, Card& card) const {
    auto cell = [&row](std::size_t i) -> std::string_view {
        return i < row.size() ? std::string_view(row[i]) : std::string_view();
    };
    if (own_) {
        std::array<std::string, kColumnNames.size()> values;
        for (std::size_t i = 0; i < columns_.size(); ++i)
            if (columns_[i].role == Role::Own)
                values[std::size_t(columns_[i].group)] = std::string(cell(i));
        card.columns = std::move(values);
        return;
    }
    std::vector<CardAddress> addresses(groups_.size());
    std::vector<bool> addressUsed(groups_.size(), false);
    std::string middle;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const Column& col = columns_[i];
        const std::string_view value = cell(i);
        if (value.empty() || col.role == Role::Ignore)
            continue;
        switch (col.role) {
        case Role::Given:
            card.given = std::string(value);
            card.hasName = true;
            break;
        case Role::Family:
            card.family = std::string(value);
            card.hasName = true;
            break;
        case Role::Middle:
            middle = std::string(value);
            break;
        case Role::Formatted:
            card.formatted = std::string(value);
            break;
        case Role::Org:
            card.organization = std::string(value);
            break;
        case Role::Note:
            card.note = std::string(value);
            break;
        case Role::Phone:
        case Role::Email: {
            const std::vector<std::string_view> values = splitCell(value);
            const std::vector<std::string_view> labels =
                col.labelAt >= 0 ? splitCell(cell(std::size_t(col.labelAt)))
                                 : std::vector<std::string_view>();
            for (std::size_t v = 0; v < values.size(); ++v) {
                CardValue item;
                item.value = trimmed(values[v]);
                if (item.value.empty())
                    continue;
                item.types = col.types;
                if (!labels.empty())
                    labelTypes(labels[std::min(v, labels.size() - 1)], item.types, item.preferred);
                if (col.types.size() == 1 && col.types[0] == "primary")
                    item.preferred = true;
                (col.role == Role::Phone ? card.phones : card.emails).push_back(std::move(item));
            }
            break;
        }
        case Role::Address: {
            CardAddress& a = addresses[std::size_t(col.group)];
            addressUsed[std::size_t(col.group)] = true;
            switch (col.part) {
            case Part::Street:
                appendPart(a.street, value);
                break;
            case Part::Extended:
                appendPart(a.extended, value);
                break;
            case Part::PoBox:
                a.poBox = std::string(value);
                break;
            case Part::City:
                a.city = std::string(value);
                break;
            case Part::Region:
                a.region = std::string(value);
                break;
            case Part::PostalCode:
                a.postalCode = std::string(value);
                break;
            case Part::Country:
                a.country = std::string(value);
                break;
            case Part::Formatted:
                a.formatted = std::string(value);
                break;
            }
            break;
        }
        case Role::Extra: {
            if (!col.skipValue.empty() && value == col.skipValue)
                break;
            std::string label = col.label;
            if (col.labelAt >= 0 && !cell(std::size_t(col.labelAt)).empty())
                label += " (" + trimmed(cell(std::size_t(col.labelAt))) + ")";
            card.addExtra(std::move(label), std::string(value));
            break;
        }
        default:
            break;
        }
    }
    if (!middle.empty())
        card.addExtra("Middle name", std::move(middle));
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        if (!addressUsed[g] || addresses[g].isEmpty())
            continue;
        CardAddress& a = addresses[g];
        a.types = groups_[g].types;
        if (groups_[g].labelAt >= 0)
            labelTypes(cell(std::size_t(groups_[g].labelAt)), a.types, a.preferred);
        // Google gives both the parts and the whole as the user sees it; the parts win.
        if (!a.street.empty() || !a.city.empty() || !a.postalCode.empty())
            a.formatted.clear();
        card.addresses.push_back(std::move(a));
    }
}

} // namespace rolvane::exchange
