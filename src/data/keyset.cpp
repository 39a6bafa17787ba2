// SPDX-License-Identifier: GPL-3.0-or-later
// Finalizing the statement at the end of the result is what ends its read transaction.
#include "keyset.h"

#include "jet_dialect.h"

namespace rolvane {

int Keyset::start(const sqlite::Connection& db, const QString& sql,
                  const std::vector<std::string>& parameters) {
    clear();
    int rc = reading_.prepare(db, sql);
    if (rc == SQLITE_OK)
        rc = jet::bindParameters(reading_.get(), parameters);
    if (rc != SQLITE_OK)
        reading_.finalize();
    return rc;
}

void Keyset::clear() {
    reading_.finalize();
    std::vector<sqlite3_int64>().swap(keys_);
    failure_ = SQLITE_OK;
}

bool Keyset::readOne() {
    if (!reading_.isPrepared())
        return false;
    const int rc = reading_.step();
    if (rc == SQLITE_ROW) {
        keys_.push_back(reading_.columnInt64(0));
        return true;
    }
    reading_.finalize();
    if (rc != SQLITE_DONE)
        failure_ = rc;
    return false;
}

bool Keyset::readFor(std::chrono::milliseconds budget) {
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + budget;
    // The clock is asked only every so many keys: it costs more than a key.
    while (reading_.isPrepared() && Clock::now() < until) {
        for (int i = 0; i < 4096 && readOne(); ++i) {
        }
    }
    return reading_.isPrepared();
}

} // namespace rolvane
