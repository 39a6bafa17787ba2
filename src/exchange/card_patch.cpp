// SPDX-License-Identifier: GPL-3.0-or-later
// Each field is found in the old card by the value the reader gives its property, so the line
// that is replaced is the one the field was read from; a field with no line gets a new one.
#include "card_patch.h"

#include "byte_source.h"
#include "card_labelled.h"
#include "card_lines.h"
#include "card_texts.h"
#include "card_values.h"
#include "comment_lines.h"
#include "vcard_reader.h"

#include <QBuffer>
#include <algorithm>
#include <optional>

namespace rolvane::exchange {

namespace {

// The reader's view of one property (its physical lines), read alone in a card of the same version.
std::optional<Card> readProperty(const std::string& version, const std::string& lines) {
    QByteArray bytes = QByteArrayLiteral("BEGIN:VCARD\r\nVERSION:");
    bytes += QByteArray::fromStdString(version) + "\r\n";
    bytes += QByteArray::fromStdString(lines) + "END:VCARD\r\n";
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    ByteSource source(device);
    std::optional<Card> result;
    ReadCallbacks callbacks;
    callbacks.card = [&result](Card& card) {
        result = std::move(card);
        return false;
    };
    readVCards(source, callbacks);
    return result;
}

std::string composedName(const Texts& t) {
    std::string name = t[First];
    if (!name.empty() && !t[Last].empty())
        name += ' ';
    return name + t[Last];
}

bool isCompany(const SplitComments& c) {
    return std::any_of(c.lines.begin(), c.lines.end(),
                       [](const CardExtra& l) { return l.name == "Company"; });
}

class Patcher {
public:
    // `shown`: what `card` shows; nothing for a card made here.
    Patcher(CardEdit card, const Texts& from, const Texts& to, CardTexts shown = {})
        : from_(from), to_(to), card_(std::move(card)), shown_(std::move(shown)),
          fromComments_(splitComments(from[Comments])), toComments_(splitComments(to[Comments])) {}
    std::string run(std::string_view revision);

private:
    bool changed(Field f) const { return !sameField(from_, to_, f); }
    // The line whose value the reader gives as `text` for the property `name`.
    EditLine* findByValue(const char* name, Field field, CardAddress* address = nullptr);
    std::string text(const std::string& t) const { return escapeText(t, card_.v21()); }
    std::string component(const std::string& t) const { return escapeComponent(t, card_.v21()); }
    std::optional<Card> read(const EditLine& line) const {
        return readProperty(card_.version(), line.raw);
    }
    void setValues(const char* name, Field field, const std::string& newHead);
    void patchNames();
    void patchCompanyName();
    void patchNote();

    const Texts& from_;
    const Texts& to_;
    CardEdit card_;
    CardTexts shown_;
    SplitComments fromComments_, toComments_;
};

EditLine* Patcher::findByValue(const char* name, Field field, CardAddress* address) {
    const std::string wanted = normalised(from_[field]);
    if (wanted.empty())
        return nullptr;
    for (EditLine& line : card_.lines()) {
        if (line.removed || line.claimed || line.name != name)
            continue;
        const std::optional<Card> card = read(line);
        if (!card)
            continue;
        std::string value;
        if (field == Email && !card->emails.empty())
            value = card->emails.front().value;
        else if (field == Addy && !card->addresses.empty())
            value = card->addresses.front().lines();
        else if (!card->phones.empty())
            value = card->phones.front().value;
        if (normalised(value) == wanted) {
            if (address && !card->addresses.empty())
                *address = card->addresses.front();
            line.claimed = true;
            return &line;
        }
    }
    return nullptr;
}

void Patcher::setValues(const char* name, Field field, const std::string& newHead) {
    CardAddress before;
    EditLine* line = findByValue(name, field, &before);
    const std::string& value = to_[field];
    if (value.empty()) {
        if (line)
            card_.remove(*line);
        return;
    }
    std::string head = line ? headOf(line->text) : newHead;
    const std::string written = propertyValue(card_, head, name, value, line ? &before : nullptr);
    if (line)
        card_.replaceHead(*line, head, written);
    else
        card_.add(head, written);
}

void Patcher::patchNames() {
    if (EditLine* n = card_.named("N")) {
        // The other components stay as written, but decoded: the line is encoded anew.
        std::vector<std::string> parts = splitRawComponents(decodedValue(card_.version(), n->raw));
        parts.resize(std::max<std::size_t>(parts.size(), 5));
        parts[0] = component(to_[Last]);
        parts[1] = component(to_[First]);
        std::string joined;
        for (std::size_t i = 0; i < parts.size(); ++i)
            joined += (i ? ";" : "") + parts[i];
        card_.replaceValue(*n, joined);
    } else {
        card_.add("N", component(to_[Last]) + ';' + component(to_[First]) + ";;;");
    }
    // FN follows the names only when it was made from them; a chosen display name stays.
    EditLine* fn = card_.named("FN");
    const std::optional<Card> old = fn ? read(*fn) : std::nullopt;
    if (!fn)
        card_.add("FN", text(composedName(to_)));
    else if (!old || normalised(old->formatted) == normalised(composedName(from_)))
        card_.replaceValue(*fn, text(composedName(to_)));
}

// A company's name is its ORG, and its FN when that was the name; its N is the contact person.
void Patcher::patchCompanyName() {
    const std::string name = to_[Last].empty() ? to_[First] : to_[Last];
    EditLine* org = card_.named("ORG");
    if (org) {
        std::vector<std::string> parts =
            splitRawComponents(decodedValue(card_.version(), org->raw));
        parts[0] = component(name);
        std::string joined;
        for (std::size_t i = 0; i < parts.size(); ++i)
            joined += (i ? ";" : "") + parts[i];
        card_.replaceValue(*org, joined);
    } else {
        card_.add("ORG", component(name));
    }
    EditLine* fn = card_.named("FN");
    const std::optional<Card> old = fn ? read(*fn) : std::nullopt;
    if (!fn)
        card_.add("FN", text(name));
    else if (!old || normalised(old->formatted) == normalised(from_[Last]) ||
             old->formatted.empty())
        card_.replaceValue(*fn, text(name));
    if (!card_.named("N"))
        card_.add("N", ";;;;");
}

void Patcher::patchNote() {
    const std::string note = toComments_.fullNote();
    if (normalised(note) == normalised(fromComments_.fullNote()))
        return;
    // The reader joins every NOTE into one text, so the first holds it all and the rest go.
    bool kept = false;
    for (EditLine& line : card_.lines()) {
        if (line.removed || line.name != "NOTE")
            continue;
        if (kept || note.empty()) {
            card_.remove(line);
        } else {
            card_.replaceValue(line, text(note));
            kept = true;
        }
    }
    if (!kept && !note.empty())
        card_.add("NOTE", text(note));
}

std::string Patcher::run(std::string_view revision) {
    const bool company = isCompany(toComments_);
    if (changed(First) || changed(Last) || company != isCompany(fromComments_))
        company ? patchCompanyName() : patchNames();
    // Claims first, so a changed number never takes the line of one that stays.
    constexpr Field phones[] = {Ph1, Ph2, Ph3, Bus, Fax};
    for (Field f : phones)
        if (!changed(f))
            findByValue("TEL", f);
    for (Field f : phones) {
        if (!changed(f))
            continue;
        setValues("TEL", f, fieldHead(f));
    }
    if (!changed(Email))
        findByValue("EMAIL", Email);
    else
        setValues("EMAIL", Email, fieldHead(Email));
    if (!changed(Addy))
        findByValue("ADR", Addy);
    else
        setValues("ADR", Addy, fieldHead(Addy));
    if (changed(Comments)) {
        patchNote();
        patchLabelled(card_, shown_.lines, fromComments_.lines, toComments_.lines);
    }
    if (!card_.named("FN")) // required by every version
        card_.addFirst("FN", text(composedName(to_)));
    if (!revision.empty() && (card_.anyAdded() || !sameFields(from_, to_))) {
        if (EditLine* rev = card_.named("REV"))
            rev->removed = true;
        card_.add("REV", std::string(revision));
    }
    return card_.text();
}

} // namespace

std::string fieldHead(Field field) {
    switch (field) {
    case Email:
        return "EMAIL;TYPE=INTERNET";
    case Addy:
        return "ADR;TYPE=HOME";
    default:
        break;
    }
    const char* types = field == Bus ? "WORK,VOICE" : field == Fax ? "FAX" : "VOICE";
    return std::string("TEL;TYPE=") + types +
           ";X-ROLVANE-FIELD=" + std::string(kColumnNames[field]);
}

std::string patchCard(std::string_view base, const Texts& from, const Texts& to,
                      std::string_view revision) {
    return Patcher(CardEdit(base), from, to, readCardTexts(base).value_or(CardTexts{}))
        .run(revision);
}

std::string newCard(const Texts& texts, std::string_view uid, bool version4,
                    std::string_view revision) {
    CardEdit card = CardEdit::blank(version4 ? "4.0" : "3.0");
    card.add("UID", std::string(uid));
    return Patcher(std::move(card), Texts{}, texts).run(revision);
}

std::string cardUnderUid(std::string_view card, std::string_view uid) {
    CardEdit edit(card);
    if (EditLine* line = edit.named("UID"))
        edit.replaceValue(*line, std::string(uid));
    else
        edit.addFirst("UID", std::string(uid));
    return edit.text();
}

std::string exportCard(const Texts& texts) {
    CardEdit card = CardEdit::blank("4.0");
    // The stamp is the user's regional text, which REV cannot hold as it is.
    if (!texts[LastUpdate].empty())
        card.add("X-ROLVANE-LAST-UPDATE", escapeText(texts[LastUpdate], false));
    return Patcher(std::move(card), Texts{}, texts).run({});
}

} // namespace rolvane::exchange
