// SPDX-License-Identifier: GPL-3.0-or-later
// The meaning half of vCard: properties, as VCardPropertyReader hands them over, become a card.
// Apple's grouped labels (item1.X-ABLabel) are matched to their values when the card ends.
#include "vcard_reader.h"

#include "card_labels.h"
#include "data/ascii_case.h"
#include "data/column_index.h"
#include "vcard_extras.h"
#include "vcard_property.h"
#include "vcard_value.h"

#include <algorithm>

namespace rolvane::exchange {

namespace {

std::string component(const std::vector<std::string>& parts, std::size_t index) {
    return index < parts.size() ? parts[index] : std::string();
}

class CardBuilder {
public:
    explicit CardBuilder(const ReadCallbacks& callbacks) : callbacks_(callbacks) {}
    void start(long long line);
    void take(const VCardProperty& p);
    void drop(const VCardProperty& p); // a binary value read past
    bool finish();                     // false when the receiver asked to stop

private:
    struct Grouped {
        std::string group;
        int kind; // 0 phone, 1 e-mail, 2 address, 3 another labelled line
        std::size_t index;
    };
    void warn(long long line, std::string text) {
        if (callbacks_.warning)
            callbacks_.warning({line, std::move(text)});
    }
    bool overfull(const VCardProperty& p);
    // The value decoded to UTF-8 (escapes in); valid until the next call.
    std::string_view raw(const VCardProperty& p) { return decodedValue(p, decoded_); }
    std::string text(const VCardProperty& p, bool unescapeIn21) {
        const bool v21 = p.isVersion21();
        return v21 && !unescapeIn21 ? std::string(raw(p)) : unescapeText(raw(p), v21);
    }
    void takeName(const VCardProperty& p);
    void takeValue(const VCardProperty& p, bool phone);
    void takeAddress(const VCardProperty& p);
    void takeOther(const VCardProperty& p);
    const std::string* labelOf(const std::string& group) const;

    const ReadCallbacks& callbacks_;
    std::string decoded_;
    Card card_;
    std::size_t cardBytes_ = 0;
    bool overfull_ = false;
    std::vector<std::string> labels_; // label of each group, parallel to groupNames_
    std::vector<std::string> groupNames_;
    std::vector<Grouped> grouped_;
    struct GroupedExtra {
        std::string group, name, value;
        long long line;
    };
    std::vector<GroupedExtra> groupedExtras_;
    std::vector<std::string> postalLabels_;
    bool sawAddress_ = false;
    bool sawNote_ = false;
};

void CardBuilder::start(long long line) {
    card_ = Card();
    card_.line = int(std::min<long long>(line, 0x7fffffff));
    cardBytes_ = 0;
    overfull_ = false;
    labels_.clear();
    groupNames_.clear();
    grouped_.clear();
    groupedExtras_.clear();
    postalLabels_.clear();
    sawAddress_ = false;
    sawNote_ = false;
}

const std::string* CardBuilder::labelOf(const std::string& group) const {
    for (std::size_t i = 0; i < groupNames_.size(); ++i)
        if (groupNames_[i] == group)
            return &labels_[i];
    return nullptr;
}

bool CardBuilder::finish() {
    // A kind of Apple's ("_$!<Work>!$_") joins the types; a user's own label is kept as written.
    auto labelInto = [](const std::string& l, std::vector<std::string>& types, std::string& own) {
        if (std::string kind = standardLabel(l); !kind.empty())
            types.push_back(std::move(kind));
        else if (isTypeList(l))
            types.push_back(asciiLowerCase(l));
        else
            own = l;
    };
    for (const Grouped& g : grouped_) {
        const std::string* l = labelOf(g.group);
        if (!l)
            continue;
        if (g.kind == 0)
            labelInto(*l, card_.phones[g.index].types, card_.phones[g.index].label);
        else if (g.kind == 1)
            labelInto(*l, card_.emails[g.index].types, card_.emails[g.index].label);
        else if (g.kind == 2)
            labelInto(*l, card_.addresses[g.index].types, card_.addresses[g.index].label);
        else if (CardExtra& e = card_.extras[g.index]; e.qualifier.empty())
            e.qualifier = standardLabel(*l).empty() ? *l : standardLabel(*l);
    }
    for (GroupedExtra& e : groupedExtras_) {
        const std::string* l = labelOf(e.group);
        const std::string kind = l ? standardLabel(*l) : std::string();
        const std::string shown = l ? (kind.empty() ? *l : kind) : std::string();
        if (e.name == "X-ABRELATEDNAMES")
            card_.addExtra(relation(shown, std::move(e.value), e.line));
        else
            card_.addExtra({"Date", shown, std::move(e.value), e.line});
    }
    if (!sawAddress_) {
        for (std::string& label : postalLabels_) {
            CardAddress a;
            a.formatted = std::move(label);
            card_.addresses.push_back(std::move(a));
        }
    }
    return !callbacks_.card || callbacks_.card(card_);
}

bool CardBuilder::overfull(const VCardProperty& p) {
    cardBytes_ += p.value().size();
    const std::size_t values = card_.phones.size() + card_.emails.size() + card_.addresses.size() +
                               card_.extras.size() + groupedExtras_.size() + postalLabels_.size() +
                               groupNames_.size();
    if (cardBytes_ <= kMaxCardBytes && values <= kMaxValuesPerCard)
        return false;
    if (!overfull_)
        warn(p.line(), "the card is too large; the rest of its properties were skipped");
    overfull_ = true;
    return true;
}

void CardBuilder::takeName(const VCardProperty& p) {
    const std::vector<std::string> parts = splitComponents(raw(p), p.isVersion21());
    card_.family = component(parts, 0);
    card_.given = component(parts, 1);
    card_.hasName = !card_.family.empty() || !card_.given.empty();
    card_.nameLine = p.line();
    const char* labels[] = {"Middle name", "Name prefix", "Name suffix"};
    for (int i = 0; i < 3; ++i)
        card_.addExtra({labels[i], {}, component(parts, std::size_t(i) + 2), p.line(), i + 2});
}

void CardBuilder::takeValue(const VCardProperty& p, bool phone) {
    CardValue v;
    v.value = text(p, false);
    // A URI value names its scheme; a text value is the number itself, "tel:" and all.
    const std::string_view scheme = phone ? "tel:" : "mailto:";
    if (sameAsciiName(p.parameter("VALUE"), "uri") &&
        sameAsciiName(std::string_view(v.value).substr(0, scheme.size()), scheme))
        v.value.erase(0, scheme.size());
    if (v.value.empty())
        return;
    v.types = p.types(&v.preferred);
    v.column = columnIndex(p.parameter("X-ROLVANE-FIELD"));
    v.line = p.line();
    auto& list = phone ? card_.phones : card_.emails;
    if (!p.group().empty())
        grouped_.push_back({asciiLowerCase(p.group()), phone ? 0 : 1, list.size()});
    list.push_back(std::move(v));
}

void CardBuilder::takeAddress(const VCardProperty& p) {
    const std::vector<std::string> parts = splitComponents(raw(p), p.isVersion21());
    CardAddress a;
    a.poBox = component(parts, 0);
    a.extended = component(parts, 1);
    a.street = component(parts, 2);
    a.city = component(parts, 3);
    a.region = component(parts, 4);
    a.postalCode = component(parts, 5);
    a.country = component(parts, 6);
    a.types = p.types(&a.preferred);
    a.line = p.line();
    sawAddress_ = true;
    if (a.isEmpty())
        return;
    if (!p.group().empty())
        grouped_.push_back({asciiLowerCase(p.group()), 2, card_.addresses.size()});
    card_.addresses.push_back(std::move(a));
}

void CardBuilder::takeOther(const VCardProperty& p) {
    if (p.isNamed("X-ABLABEL")) {
        if (!p.group().empty()) {
            groupNames_.push_back(asciiLowerCase(p.group()));
            labels_.push_back(std::string(raw(p)));
        }
    } else if (!p.group().empty() && (p.isNamed("X-ABRELATEDNAMES") || p.isNamed("X-ABDATE"))) {
        groupedExtras_.push_back(
            {asciiLowerCase(p.group()), asciiUpperCase(p.name()), text(p, true), p.line()});
    } else {
        const std::size_t before = card_.extras.size();
        const std::string value = text(p, true);
        if (takeExtra(p, raw(p), value, card_)) {
            if (!p.group().empty() && card_.extras.size() > before)
                grouped_.push_back({asciiLowerCase(p.group()), 3, before});
        } else if (!p.isNamed("UID") && !p.isNamed("PRODID") && !p.isNamed("VERSION")) {
            ++card_.unkept.others[asciiUpperCase(p.name())];
        }
    }
}

void CardBuilder::take(const VCardProperty& p) {
    if (overfull(p))
        return;
    if (p.isNamed("N")) {
        takeName(p);
    } else if (p.isNamed("FN")) {
        card_.formatted = text(p, false);
    } else if (p.isNamed("ORG")) {
        const std::vector<std::string> parts = splitComponents(raw(p), p.isVersion21());
        card_.organization = component(parts, 0);
        card_.orgLine = p.line();
        card_.addExtra({"Department", {}, component(parts, 1), p.line(), 1});
    } else if (p.isNamed("TEL") || p.isNamed("EMAIL")) {
        takeValue(p, p.isNamed("TEL"));
    } else if (p.isNamed("ADR")) {
        takeAddress(p);
    } else if (p.isNamed("LABEL")) {
        postalLabels_.push_back(text(p, false));
    } else if (p.isNamed("NOTE")) {
        std::string note = text(p, false);
        if (sawNote_)
            card_.note += '\n';
        card_.note += note;
        sawNote_ = true;
    } else if (p.isNamed("REV")) {
        card_.revision = std::string(raw(p));
    } else if (p.isNamed("X-ROLVANE-LAST-UPDATE")) {
        card_.lastUpdate = unescapeText(raw(p), false);
    } else {
        takeOther(p);
    }
}

void CardBuilder::drop(const VCardProperty& p) {
    Unkept& u = card_.unkept;
    if (p.isNamed("PHOTO"))
        ++u.photos;
    else if (p.isNamed("LOGO"))
        ++u.logos;
    else if (p.isNamed("SOUND"))
        ++u.sounds;
    else if (p.isNamed("KEY"))
        ++u.keys;
}

Problem tooLong(long long line) {
    return {line, "the line is longer than " + std::to_string(kMaxLineBytes >> 20) +
                      " MB, which no contact needs"};
}

} // namespace

std::optional<Problem> readVCards(ByteSource& in, const ReadCallbacks& callbacks) {
    VCardPropertyReader reader(in);
    CardBuilder builder(callbacks);
    VCardProperty p;
    int depth = 0;
    long long cardLine = 0;
    auto warn = [&callbacks](long long line, std::string text) {
        if (callbacks.warning)
            callbacks.warning({line, std::move(text)});
    };
    for (;;) {
        const VCardPropertyReader::Result r = reader.next(p);
        if (r == VCardPropertyReader::Result::End)
            break;
        if (r == VCardPropertyReader::Result::TooLong)
            return tooLong(p.line());
        const bool isCard = r == VCardPropertyReader::Result::Property && p.value().size() == 5 &&
                            sameAsciiName(p.value(), "VCARD");
        if (r == VCardPropertyReader::Result::NotProperty ||
            (depth == 0 && !(isCard && p.isNamed("BEGIN")))) {
            warn(p.line(),
                 depth > 0 ? "not a vCard property; skipped" : "text outside a card; skipped");
        } else if (isCard && p.isNamed("BEGIN")) {
            if (++depth > kMaxCardNesting)
                return Problem{p.line(), "cards are nested more than " +
                                             std::to_string(kMaxCardNesting) + " deep"};
            if (depth == 1)
                builder.start(cardLine = p.line());
        } else if (isCard && p.isNamed("END")) {
            if (--depth == 0 && !builder.finish())
                return std::nullopt;
        } else if (depth == 1) {
            p.valueDropped() ? builder.drop(p) : builder.take(p);
        }
    }
    if (reader.failed())
        return Problem{reader.lineNumber(), "the file could not be read to its end"};
    if (depth > 0) {
        warn(cardLine, "the card has no END:VCARD; it was read to the end of the file");
        builder.finish();
    }
    return std::nullopt;
}

} // namespace rolvane::exchange
