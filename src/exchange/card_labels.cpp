// SPDX-License-Identifier: GPL-3.0-or-later
// One table, so the lines are shown, read back and written as properties by the same names.
#include "card_labels.h"

#include "data/ascii_case.h"

namespace rolvane::exchange {

namespace {

using Q = Qualifier;
constexpr LabelKind kKinds[] = {
    {"Company", "X-ABSHOWAS"},
    {"Contact person", "N"},
    {"Full name", "FN"},
    {"Middle name", "N", 2},
    {"Name prefix", "N", 3},
    {"Name suffix", "N", 4},
    {"Phonetic first name", "X-PHONETIC-FIRST-NAME"},
    {"Phonetic middle name", "X-PHONETIC-MIDDLE-NAME"},
    {"Phonetic last name", "X-PHONETIC-LAST-NAME"},
    {"Nickname", "NICKNAME"},
    {"Organization", "ORG", 0},
    {"Department", "ORG", 1},
    {"Title", "TITLE"},
    {"Role", "ROLE"},
    {"Phone", "TEL", -1, true, Q::Types},
    {"E-mail", "EMAIL", -1, true, Q::Types},
    {"Address", "ADR", -1, true, Q::Types},
    {"Web page", "URL", -1, true, Q::Types},
    {"Chat", "IMPP", -1, true, Q::Types},
    {"Social profile", "X-SOCIALPROFILE", -1, true, Q::Service},
    {"Birthday", "BDAY"},
    {"Anniversary", "ANNIVERSARY"},
    {"Date", "X-ABDATE", -1, true, Q::Types},
    {"Spouse", "RELATED", -1, true, Q::None, "spouse"},
    {"Partner", "RELATED", -1, true, Q::None, "partner"},
    {"Child", "RELATED", -1, true, Q::None, "child"},
    {"Parent", "RELATED", -1, true, Q::None, "parent"},
    {"Mother", "RELATED", -1, true, Q::None, "mother"},
    {"Father", "RELATED", -1, true, Q::None, "father"},
    {"Sibling", "RELATED", -1, true, Q::None, "sibling"},
    {"Brother", "RELATED", -1, true, Q::None, "brother"},
    {"Sister", "RELATED", -1, true, Q::None, "sister"},
    {"Friend", "RELATED", -1, true, Q::None, "friend"},
    {"Assistant", "RELATED", -1, true, Q::None, "assistant"},
    {"Manager", "RELATED", -1, true, Q::None, "manager"},
    {"Related", "RELATED", -1, true, Q::Types},
    {"Categories", "CATEGORIES"},
    {"Gender", "GENDER"},
};

constexpr std::string_view kTypeWords[] = {
    "home", "work",  "cell",   "fax",    "pager",    "voice", "text",   "video", "textphone",
    "main", "other", "msg",    "car",    "isdn",     "pcs",   "bbs",    "modem", "iphone",
    "dom",  "intl",  "postal", "parcel", "internet", "x400",  "school", "pref",
};

} // namespace

std::span<const LabelKind> labelKinds() {
    return kKinds;
}

const LabelKind* labelKind(std::string_view name) {
    for (const LabelKind& k : kKinds)
        if (sameAsciiName(k.name, name))
            return &k;
    return nullptr;
}

std::size_t labelRank(std::string_view name) {
    const LabelKind* k = labelKind(name);
    return k ? std::size_t(k - kKinds) : std::size(kKinds);
}

bool isTypeList(std::string_view q) {
    if (q.empty())
        return false;
    while (!q.empty()) {
        const std::size_t comma = q.find(',');
        std::string_view word = q.substr(0, comma);
        q = comma == std::string_view::npos ? std::string_view() : q.substr(comma + 1);
        while (!word.empty() && word.front() == ' ')
            word.remove_prefix(1);
        bool known = false;
        for (std::string_view t : kTypeWords)
            known = known || sameAsciiName(t, word);
        if (!known)
            return false;
    }
    return true;
}

} // namespace rolvane::exchange
