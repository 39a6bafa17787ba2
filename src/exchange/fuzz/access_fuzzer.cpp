// libFuzzer target: the Access reader on any bytes. libmdb reads files, not memory, so each input
// is written to one temporary file first; both the book's table and a named one are asked for.
// libmdb itself runs in the reader's child process, which the fuzzer does not see into: what is
// fuzzed here is that no file, however damaged, takes the caller down with it.
#include "exchange/access_reader.h"
#include "exchange/contact_mapping.h"

#include <QDir>
#include <QFile>
#include <cstdint>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString path =
        QDir::temp().filePath(QStringLiteral("rolvane-access-fuzz-%1.mdb").arg(getpid()));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    rolvane::exchange::ReadCallbacks callbacks;
    rolvane::tool::Contact contact;
    callbacks.card = [&contact](rolvane::exchange::Card& card) {
        rolvane::exchange::toContact(card, contact);
        return true;
    };
    callbacks.warning = [](const rolvane::exchange::Problem&) {};
    // Well inside libFuzzer's own limits, so a damaged file stops the reader, not the run.
    rolvane::exchange::AccessLimits limits;
    limits.silentSeconds = 2;
    limits.residentBytes = std::int64_t(256) << 20;
    for (const QString& table : {QString(), QStringLiteral("Table1")})
        rolvane::exchange::readAccess(path, table, callbacks, limits);
    return 0;
}
