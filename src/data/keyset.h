// SPDX-License-Identifier: GPL-3.0-or-later
// The result of a query as the row ids of its rows, in its order, read lazily: a few bytes per
// row, never the rows themselves.
#pragma once

#include "sqlite_db.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace rolvane {

class Keyset {
public:
    // Forgets the keys and starts reading `sql`'s result on `db`. Returns the SQLite result code.
    int start(const sqlite::Connection& db, const QString& sql,
              const std::vector<std::string>& parameters = {});
    void clear();

    // Reads one more key: false at the end of the result or when the read failed.
    bool readOne();
    // Reads on for about `budget`; true while keys remain. The read transaction ends with the
    // last key, so an idle program holds no snapshot once this has run out.
    bool readFor(std::chrono::milliseconds budget);
    bool complete() const { return !reading_.isPrepared(); }
    // The result code of a failed read since `start`, or SQLITE_OK.
    int failure() const { return failure_; }

    std::size_t size() const { return keys_.size(); }
    bool empty() const { return keys_.empty(); }
    sqlite3_int64 at(std::size_t index) const { return keys_[index]; }
    // Drops a key whose row has gone.
    void erase(std::size_t index) { keys_.erase(keys_.begin() + std::ptrdiff_t(index)); }
    // Reads the rest of the result.
    void readToEnd() {
        while (readOne()) {
        }
    }
    // A key the query did not return: a row stored since, after the whole result was read.
    void append(sqlite3_int64 key) { keys_.push_back(key); }
    void replace(std::size_t index, sqlite3_int64 key) { keys_[index] = key; }

private:
    sqlite::Statement reading_;
    std::vector<sqlite3_int64> keys_;
    int failure_ = SQLITE_OK;
};

} // namespace rolvane
