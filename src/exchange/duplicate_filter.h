// SPDX-License-Identifier: GPL-3.0-or-later
// Tells a contact whose ten texts (Last Update aside) are already in the book from a new one.
// An empty text equals a missing one and CR LF equals LF, so a book that went out and came back
// through any of the formats still matches. A contact stored from the same card before Comments
// had its separator (the note, then "Label: value" lines; a company's name split in two) is
// that contact too.
#pragma once

#include "data/sqlite_db.h"
#include "exchange/contact.h"

#include <cstdint>
#include <vector>

namespace rolvane::exchange {

using tool::Contact;

// The book's rows by the hash of their texts: each slot holds a rowid and eight more bits of the
// hash, five bytes a slot, so a million-row book takes about ten megabytes. A match is only a
// candidate; the stored row decides.
class RowHashTable {
public:
    // Empties the table, sized for `rows` rows.
    void reset(std::size_t rows);
    // False when the table is too full to take another row: rebuild it larger.
    bool insert(std::uint64_t hash, std::int64_t rowid);
    // Calls `matches(rowid)` for each candidate until one returns true.
    template <typename Matches> bool find(std::uint64_t hash, Matches&& matches) const;
    std::size_t size() const { return count_; }

private:
    std::size_t home(std::uint64_t hash) const { return std::size_t(hash >> (64 - bits_)); }
    static std::uint8_t tag(std::uint64_t hash) { return std::uint8_t(hash); }

    std::vector<std::uint32_t> rowids_; // 0: empty
    std::vector<std::uint8_t> tags_;
    std::size_t count_ = 0;
    int bits_ = 0;
};

class DuplicateFilter {
public:
    // Reads the rows of the book on `db`, the connection whose transaction the contacts go in
    // by, so that rows stored during the import are seen too. Empty on success, else why not.
    QString load(const sqlite::Connection& db);
    // Whether a row with the same ten texts is stored.
    bool isStored(const Contact& contact);
    // Takes in the row just stored for `contact`. Empty on success, else why not.
    QString remember(const Contact& contact, std::int64_t rowid);

    static std::uint64_t hashOf(const Contact& contact);

private:
    QString rebuild(std::size_t rows);
    bool rowMatches(std::int64_t rowid, const Contact& contact);

    const sqlite::Connection* db_ = nullptr;
    sqlite::Statement all_;
    sqlite::Statement byRowid_;
    RowHashTable table_;
};

} // namespace rolvane::exchange
