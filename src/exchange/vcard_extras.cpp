// SPDX-License-Identifier: GPL-3.0-or-later
// Vendor bookkeeping (UID, PRODID, REV, X-ABUID, X-ABADR and the like) shows nothing: it means
// nothing to a reader and stays on the server as it is.
#include "vcard_extras.h"

#include "card_labels.h"
#include "data/ascii_case.h"
#include "vcard_value.h"

namespace rolvane::exchange {

namespace {

struct Simple {
    const char* property;
    const char* label;
};
constexpr Simple kSimple[] = {
    {"TITLE", "Title"},
    {"ROLE", "Role"},
    {"NICKNAME", "Nickname"},
    {"BDAY", "Birthday"},
    {"ANNIVERSARY", "Anniversary"},
    {"GENDER", "Gender"},
    {"CATEGORIES", "Categories"},
    {"X-PHONETIC-FIRST-NAME", "Phonetic first name"},
    {"X-PHONETIC-MIDDLE-NAME", "Phonetic middle name"},
    {"X-PHONETIC-LAST-NAME", "Phonetic last name"},
};

// Android's relation types, by their code.
constexpr const char* kAndroidRelations[] = {
    "",        "assistant",   "brother",  "child",  "domestic partner",
    "father",  "friend",      "manager",  "mother", "parent",
    "partner", "referred by", "relative", "sister", "spouse"};

std::string typesText(const VCardProperty& p) {
    std::string out;
    for (const std::string& t : p.types())
        if (t != "voice" && t != "internet" && t != "x400" && out.find(t) == std::string::npos)
            out += (out.empty() ? "" : ", ") + t;
    return out;
}

bool takeAndroid(const VCardProperty& p, std::string_view raw, Card& card) {
    const std::vector<std::string> parts = splitComponents(raw, p.isVersion21());
    if (parts.size() < 2 || parts[1].empty())
        return false;
    if (parts[0] == "vnd.android.cursor.item/nickname") {
        card.addExtra({"Nickname", {}, parts[1], p.line(), 1});
        return true;
    }
    if (parts[0] != "vnd.android.cursor.item/relation")
        return false;
    const int code = parts.size() > 2 && !parts[2].empty() && parts[2].size() < 3
                         ? std::atoi(parts[2].c_str())
                         : 0;
    std::string label = code > 0 && code < int(std::size(kAndroidRelations))
                            ? kAndroidRelations[code]
                            : (parts.size() > 3 ? parts[3] : std::string());
    CardExtra extra = relation(label, parts[1], p.line());
    extra.component = 1;
    card.addExtra(std::move(extra));
    return true;
}

} // namespace

std::string standardLabel(std::string_view label) {
    if (label.size() > 8 && label.substr(0, 4) == "_$!<" &&
        label.substr(label.size() - 4) == ">!$_")
        return asciiLowerCase(label.substr(4, label.size() - 8));
    return {};
}

CardExtra relation(std::string_view label, std::string value, long long line) {
    for (const LabelKind& k : labelKinds())
        if (!k.relation.empty() && sameAsciiName(k.relation, label))
            return {std::string(k.name), {}, std::move(value), line};
    return {"Related", std::string(label), std::move(value), line};
}

bool takeExtra(const VCardProperty& p, std::string_view raw, const std::string& text, Card& card) {
    if ((p.isNamed("KIND") && sameAsciiName(text, "org")) ||
        (p.isNamed("X-ABSHOWAS") && sameAsciiName(text, "COMPANY"))) {
        card.company = true;
        return true;
    }
    for (const Simple& s : kSimple)
        if (p.isNamed(s.property)) {
            card.addExtra({s.label, {}, text, p.line()});
            return true;
        }
    if (p.isNamed("URL") || p.isNamed("IMPP")) {
        card.addExtra({p.isNamed("URL") ? "Web page" : "Chat", typesText(p), text, p.line()});
    } else if (p.isNamed("X-SOCIALPROFILE")) {
        card.addExtra({"Social profile", asciiLowerCase(p.parameter("TYPE")), text, p.line()});
    } else if (p.isNamed("RELATED")) {
        card.addExtra(relation(typesText(p), text, p.line()));
    } else if (p.isNamed("X-ANDROID-CUSTOM")) {
        return takeAndroid(p, raw, card);
    } else {
        return false;
    }
    return true;
}

} // namespace rolvane::exchange
