// SPDX-License-Identifier: GPL-3.0-or-later
// A contact's texts as the sync keeps them: the mapping's texts, and packed for its tables.
#pragma once

#include "exchange/contact_texts.h"

#include <QByteArray>
#include <array>
#include <string>
#include <string_view>

namespace rolvane::carddav {

using exchange::Field;
using exchange::kMergedFields;
using exchange::normalised;
using exchange::sameField;
using exchange::sameFields;
using exchange::Texts;
using enum exchange::Field;

// As a person would name the contact: the name, else the first other field with a text.
QString contactName(const Texts& texts);

// Texts kept in one column of the sync's own tables: each as its length, a colon, the bytes.
std::string encodeTexts(const Texts& texts);
// False when `encoded` is not what encodeTexts wrote.
bool decodeTexts(std::string_view encoded, Texts& texts);

// Texts held as encodeTexts writes them: a sync keeps two sets for every contact, and eleven
// strings apiece would cost it several times their bytes. Copies share one buffer (the book's
// texts and the texts as last synced are mostly the same). Converts to and from Texts.
class PackedTexts {
public:
    PackedTexts() : PackedTexts(Texts()) {}
    PackedTexts(const Texts& texts) : packed_(QByteArray::fromStdString(encodeTexts(texts))) {}
    operator Texts() const {
        Texts texts;
        decodeTexts(packed(), texts); // cannot fail: packed_ was encoded here
        return texts;
    }
    std::string_view packed() const {
        return std::string_view(packed_.constData(), std::size_t(packed_.size()));
    }

private:
    QByteArray packed_;
};

// Equal packings are equal texts; else compared field by field, line ends aside.
bool sameFields(const PackedTexts& a, const PackedTexts& b);

} // namespace rolvane::carddav
