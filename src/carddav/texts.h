// SPDX-License-Identifier: GPL-3.0-or-later
// A contact as the sync compares it: the eleven column texts, NULL read as empty.
#pragma once

#include "data/contact_table.h"

#include <QByteArray>
#include <array>
#include <string>
#include <string_view>

namespace rolvane::carddav {

using Texts = std::array<std::string, kColumnNames.size()>;

enum Field { First, Last, Ph1, Ph2, Ph3, Email, Bus, Fax, Addy, Comments, LastUpdate };

// Fields that are merged and sent; Last Update is a stamp, not a field.
inline constexpr std::size_t kMergedFields = LastUpdate;

// CR LF and lone CR become LF, so line ends never count as a change.
std::string normalised(std::string_view text);

// Whether the ten merged fields hold the same texts, line ends aside.
bool sameFields(const Texts& a, const Texts& b);
bool sameField(const Texts& a, const Texts& b, std::size_t field);

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
