// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: the reader of servers' multistatus and error answers, on any bytes.
#include "carddav/multistatus.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto ms = rolvane::carddav::parseMultistatus(bytes))
        for (const auto& response : ms->responses)
            (void)response.property(u"getetag");
    (void)rolvane::carddav::davErrorName(bytes);
    return 0;
}
