// SPDX-License-Identifier: GPL-3.0-or-later
// Hands a fuzzer's bytes to a reader exactly as the tool does, mapping every contact it reads.
#pragma once

#include "exchange/byte_source.h"
#include "exchange/contact_mapping.h"
#include "exchange/read_result.h"

#include <QBuffer>
#include <cstdint>

namespace rolvane::fuzz {

template <typename Read> void readAll(const std::uint8_t* data, std::size_t size, Read read) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    exchange::ByteSource source(buffer);
    exchange::ReadCallbacks callbacks;
    tool::Contact contact;
    callbacks.card = [&contact](exchange::Card& card) {
        exchange::toContact(card, contact);
        return true;
    };
    callbacks.warning = [](const exchange::Problem&) {};
    read(source, callbacks);
}

} // namespace rolvane::fuzz
