// SPDX-License-Identifier: GPL-3.0-or-later
// Tables of names, written once as keys; Google's numbered columns ("Phone 1 - Value") are taken
// apart into kind, number and part first.
#include "column_names.h"

#include "data/ascii_case.h"

#include <algorithm>
#include <map>

namespace rolvane::exchange {

namespace {

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

bool isOneOf(const std::string& k, std::initializer_list<const char*> keys) {
    return std::any_of(keys.begin(), keys.end(), [&k](const char* n) { return k == n; });
}

// Outlook writes these with a value that means nothing was set.
const std::map<std::string, std::string>& placeholders() {
    static const std::map<std::string, std::string> values = {
        {"birthday", "0/0/00"}, {"anniversary", "0/0/00"}, {"gender", "Unspecified"},
        {"priority", "Normal"}, {"sensitivity", "Normal"}, {"private", "False"}};
    return values;
}

// Outlook's per-address bookkeeping says nothing about the contact.
bool isBookkeeping(const std::string& k) {
    return isOneOf(k, {"emailtype", "email2type", "email3type", "emaildisplayname",
                       "email2displayname", "email3displayname", "fileas"});
}

// Columns that hold what a labelled line of Comments has a label for, under that label, so they
// go out as the same property a card's would. Outlook's "Title" is the name's prefix ("Dr.").
const std::map<std::string, std::string>& knownLabels() {
    static const std::map<std::string, std::string> labels = {
        {"title", "Name prefix"},
        {"suffix", "Name suffix"},
        {"jobtitle", "Title"},
        {"department", "Department"},
        {"nickname", "Nickname"},
        {"webpage", "Web page"},
        {"website", "Web page"},
        {"personalwebpage", "Web page (home)"},
        {"businesswebpage", "Web page (work)"},
        {"spouse", "Spouse"},
        {"children", "Child"},
        {"assistantsname", "Assistant"},
        {"managersname", "Manager"},
        {"categories", "Categories"},
    };
    return labels;
}

// "Phone 1 - Value" -> ("phone", "1", "value").
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
    kind = columnKey(left.substr(0, space));
    part = columnKey(name.substr(dash + 3));
    return true;
}

ColumnMeaning numberedMeaning(const std::string& name, const std::string& kind,
                              const std::string& number, const std::string& part) {
    ColumnMeaning m;
    const std::string pair = kind + number;
    if (part == "label" || part == "type") {
        m.role = ColumnRole::Label;
        m.group = pair;
        return m;
    }
    m.labelOf = pair;
    if (kind == "email" && part == "value") {
        m.role = ColumnRole::Email;
    } else if (kind == "phone" && part == "value") {
        m.role = ColumnRole::Phone;
    } else if (kind == "address") {
        static const std::map<std::string, AddressPart> parts = {
            {"formatted", AddressPart::Formatted}, {"street", AddressPart::Street},
            {"city", AddressPart::City},           {"pobox", AddressPart::PoBox},
            {"region", AddressPart::Region},       {"postalcode", AddressPart::PostalCode},
            {"country", AddressPart::Country},     {"extendedaddress", AddressPart::Extended}};
        const auto p = parts.find(part);
        m.role = p == parts.end() ? ColumnRole::Extra : ColumnRole::Address;
        m.part = p == parts.end() ? AddressPart::Street : p->second;
        m.group = pair;
        m.label = name;
        m.labelOf.clear(); // an address's label belongs to its group
    } else if (kind == "organization" && part == "name") {
        m.role = ColumnRole::Org;
    } else if (part == "value" || kind == "organization") {
        m.role = ColumnRole::Extra;
        // "Website 1 - Value" is labelled "Website"; "Organization 1 - Title" "Title".
        const std::string_view whole(name);
        const std::size_t dash = whole.find(" - ");
        const std::string_view left = whole.substr(0, dash);
        m.label = kind == "organization" ? trimmedText(whole.substr(dash + 3))
                                         : trimmedText(left.substr(0, left.rfind(' ')));
        if (kind == "organization")
            m.labelOf.clear();
    } else {
        m.role = ColumnRole::Extra;
        m.label = name;
        m.labelOf.clear();
    }
    return m;
}

// An address part, with the address it belongs to in front: "Home City", "Business Street 2".
bool addressMeaning(const std::string& k, ColumnMeaning& m) {
    static const std::pair<const char*, std::vector<std::string>> prefixes[] = {
        {"business", {"work"}}, {"work", {"work"}}, {"home", {"home"}}, {"other", {}}, {"", {}}};
    static const std::pair<const char*, AddressPart> suffixes[] = {
        {"street", AddressPart::Street},         {"street2", AddressPart::Extended},
        {"street3", AddressPart::Extended},      {"address", AddressPart::Street},
        {"address2", AddressPart::Extended},     {"addresspobox", AddressPart::PoBox},
        {"pobox", AddressPart::PoBox},           {"city", AddressPart::City},
        {"state", AddressPart::Region},          {"region", AddressPart::Region},
        {"postalcode", AddressPart::PostalCode}, {"zipcode", AddressPart::PostalCode},
        {"zip", AddressPart::PostalCode},        {"countryregion", AddressPart::Country},
        {"country", AddressPart::Country}};
    for (const auto& [prefix, types] : prefixes) {
        const std::string p = prefix;
        if (k.rfind(p, 0) != 0)
            continue;
        const std::string rest = k.substr(p.size());
        const auto s = std::find_if(std::begin(suffixes), std::end(suffixes),
                                    [&](const auto& x) { return rest == x.first; });
        if (s == std::end(suffixes))
            continue;
        m.role = ColumnRole::Address;
        m.part = s->second;
        m.group = p;
        m.types = types;
        return true;
    }
    return false;
}

ColumnMeaning plainMeaning(const std::string& name, const std::string& k) {
    ColumnMeaning m;
    if (isOneOf(k, {"firstname", "givenname"})) {
        m.role = ColumnRole::Given;
    } else if (isOneOf(k, {"lastname", "familyname", "surname"})) {
        m.role = ColumnRole::Family;
    } else if (isOneOf(k, {"middlename", "additionalname"})) {
        m.role = ColumnRole::Middle;
    } else if (isOneOf(k, {"name", "displayname", "fullname", "contactname"})) {
        m.role = ColumnRole::Formatted;
    } else if (isOneOf(k, {"company", "companyname", "organization", "organizationname",
                           "organisation"})) {
        m.role = ColumnRole::Org;
    } else if (isOneOf(k, {"notes", "note"})) {
        m.role = ColumnRole::Note;
    } else if (isBookkeeping(k)) {
        m.role = ColumnRole::Ignore;
    } else if (isOneOf(k, {"emailaddress", "email2address", "email3address", "primaryemail",
                           "secondaryemail", "email", "emailaddress2", "emailaddress3"})) {
        m.role = ColumnRole::Email;
    } else if (const auto phone = std::find_if(phoneNames().begin(), phoneNames().end(),
                                               [&](const PhoneName& p) { return k == p.key; });
               phone != phoneNames().end()) {
        m.role = ColumnRole::Phone;
        m.types = phone->types;
    } else if (!addressMeaning(k, m)) {
        // Google's group lists are kept, as the user named them.
        m.role = ColumnRole::Extra;
        m.groupList = isOneOf(k, {"labels", "groupmembership"});
        const auto known = knownLabels().find(k);
        m.label = m.groupList                    ? "Labels"
                  : known != knownLabels().end() ? known->second
                                                 : trimmedText(name);
        if (const auto ph = placeholders().find(k); ph != placeholders().end())
            m.skipValue = ph->second;
    }
    return m;
}

} // namespace

std::string columnKey(std::string_view name) {
    std::string k;
    for (char c : name) {
        c = asciiLower(c);
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            k += c;
    }
    return k;
}

std::string trimmedText(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return std::string(s);
}

ColumnMeaning meaningOf(const std::string& name) {
    std::string kind, number, part;
    if (splitNumbered(name, kind, number, part))
        return numberedMeaning(name, kind, number, part);
    return plainMeaning(name, columnKey(name));
}

} // namespace rolvane::exchange
