// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: the vCard reader and the mapping, on any bytes.
#include "exchange/vcard_reader.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    rolvane::fuzz::readAll(data, size, rolvane::exchange::readVCards);
    return 0;
}
