// SPDX-License-Identifier: GPL-3.0-or-later
// One card at a time through the import's reader and mapping.
#include "card_texts.h"

#include "byte_source.h"
#include "card_lines.h"
#include "contact_mapping.h"
#include "vcard_reader.h"

#include <QBuffer>

namespace rolvane::exchange {

std::optional<CardTexts> readCardTexts(std::string_view card) {
    QByteArray bytes = QByteArray::fromRawData(card.data(), qsizetype(card.size()));
    QBuffer device(&bytes);
    if (!device.open(QIODevice::ReadOnly))
        return std::nullopt;
    ByteSource source(device);
    std::optional<CardTexts> result;
    ReadCallbacks callbacks;
    callbacks.card = [&result](Card& read) {
        ShownCard shown = showCard(read);
        CardTexts out;
        std::size_t i = 0;
        for (const std::optional<std::string>* value : tool::columnValues(shown.contact))
            out.texts[i++] = value->value_or(std::string());
        out.note = normalised(read.note);
        out.lines = std::move(shown.lines);
        result = std::move(out);
        return false; // one card is all a resource holds
    };
    readVCards(source, callbacks);
    return result;
}

std::string cardUid(std::string_view card) {
    for (const CardLine& line : splitCardLines(card)) {
        if (line.name != "UID")
            continue;
        const std::size_t start = valueStart(line.text);
        return start == std::string::npos ? std::string() : line.text.substr(start);
    }
    return {};
}

} // namespace rolvane::exchange
