// libFuzzer target: telling a file's format from its first bytes, as import does before reading.
#include "exchange/file_format.h"

#include <QByteArray>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray head =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    rolvane::exchange::detectFormat(head);
    return 0;
}
