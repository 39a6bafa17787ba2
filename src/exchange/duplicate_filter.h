// Tells a contact whose ten texts (Last Update aside) are already in the book from a new one.
// An empty text equals a missing one and CR LF equals LF, so a book that went out and came back
// through any of the formats still matches.
#pragma once

#include "data/sqlite_db.h"
#include "exchange/contact.h"

#include <cstdint>
#include <vector>

namespace rolvane::exchange {

using tool::Contact;

// 32-bit fingerprints in one open-addressed table: four bytes a row keeps a million-row book's
// filter at a few megabytes. A match only says "maybe"; the stored row decides.
class FingerprintSet {
public:
    bool mayContain(std::uint64_t hash) const;
    void insert(std::uint64_t hash);
    std::size_t size() const { return count_; }

private:
    static std::uint32_t printOf(std::uint64_t hash);
    std::size_t slotOf(std::uint32_t print) const;
    void place(std::uint32_t print);
    void grow();

    std::vector<std::uint32_t> slots_;
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
    // Remembers a contact just stored.
    void remember(const Contact& contact) { fingerprints_.insert(hashOf(contact)); }

    static std::uint64_t hashOf(const Contact& contact);

private:
    sqlite::Statement byLastName_;
    sqlite::Statement nameless_;
    FingerprintSet fingerprints_;
};

} // namespace rolvane::exchange
