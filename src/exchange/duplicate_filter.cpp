// The book's rows are hashed once per import; each incoming contact costs one hash and one probe,
// and only a probe that matches reads rows back (through the last-name index) to compare texts.
#include "duplicate_filter.h"

#include "data/column_index.h"
#include "data/name_collation.h"
#include "data/text_view.h"

#include <string_view>

namespace rolvane::exchange {

namespace {

constexpr std::size_t kTexts = 10; // every column but Last Update

std::string_view textOf(const std::optional<std::string>* value) {
    return *value ? std::string_view(**value) : std::string_view();
}

std::string_view columnText(sqlite3_stmt* stmt, int column) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return bytes ? std::string_view(bytes, std::size_t(sqlite3_column_bytes(stmt, column)))
                 : std::string_view();
}

// A CR that begins a CR LF is left out: the LF stands for the pair.
bool skipped(std::string_view text, std::size_t i) {
    return text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
}

std::uint64_t addText(std::uint64_t hash, std::string_view text) {
    constexpr std::uint64_t kPrime = 1099511628211ULL;
    std::uint64_t length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (skipped(text, i))
            continue;
        hash = (hash ^ static_cast<unsigned char>(text[i])) * kPrime;
        ++length;
    }
    // The length ends each text, so "ab" + "c" and "a" + "bc" differ.
    return (hash ^ length) * kPrime;
}

bool sameText(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    for (;;) {
        while (i < a.size() && skipped(a, i))
            ++i;
        while (j < b.size() && skipped(b, j))
            ++j;
        if (i == a.size() || j == b.size())
            return i == a.size() && j == b.size();
        if (a[i++] != b[j++])
            return false;
    }
}

template <typename Texts> std::uint64_t hashTexts(const Texts& textAt) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (std::size_t column = 0; column < kTexts; ++column)
        hash = addText(hash, textAt(column));
    // Spread the bits, so that both the slot and the fingerprint take all of them.
    hash ^= hash >> 31;
    hash *= 0x9E3779B97F4A7C15ULL;
    return hash ^ (hash >> 29);
}

// Each selected row is compared with the contact, text by text.
bool anyRowMatches(sqlite::Statement& select, const Contact& contact) {
    const auto values = columnValues(contact);
    bool found = false;
    while (!found && select.step() == SQLITE_ROW) {
        found = true;
        for (std::size_t column = 0; found && column < kTexts; ++column)
            found = sameText(columnText(select.get(), int(column)), textOf(values[column]));
    }
    select.reset();
    return found;
}

} // namespace

// The slot comes from the fingerprint's own top bits, so the table can grow from what it keeps.
std::uint32_t FingerprintSet::printOf(std::uint64_t hash) {
    // Never 0, the empty slot.
    return std::uint32_t(hash >> 32) | 1u;
}

std::size_t FingerprintSet::slotOf(std::uint32_t print) const {
    return std::size_t(print >> (32 - bits_));
}

bool FingerprintSet::mayContain(std::uint64_t hash) const {
    if (slots_.empty())
        return false;
    const std::uint32_t print = printOf(hash);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = slotOf(print);; slot = (slot + 1) & mask) {
        if (slots_[slot] == print)
            return true;
        if (slots_[slot] == 0)
            return false;
    }
}

void FingerprintSet::place(std::uint32_t print) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = slotOf(print);
    while (slots_[slot] != 0)
        slot = (slot + 1) & mask;
    slots_[slot] = print;
}

void FingerprintSet::insert(std::uint64_t hash) {
    if (mayContain(hash))
        return;
    if ((count_ + 1) * 4 > slots_.size() * 3)
        grow();
    place(printOf(hash));
    ++count_;
}

void FingerprintSet::grow() {
    const std::vector<std::uint32_t> old = std::move(slots_);
    bits_ = bits_ == 0 ? 10 : bits_ + 1;
    slots_.assign(std::size_t(1) << bits_, 0);
    for (const std::uint32_t print : old) {
        if (print != 0)
            place(print);
    }
}

QString DuplicateFilter::load(const sqlite::Connection& db) {
    const QString table = fromView(kTableName);
    const QString columns = bracketedColumnList().section(QLatin1String(", "), 0, int(kTexts) - 1);
    sqlite::Statement all;
    if (all.prepare(db, QStringLiteral("select %1 from [%2]").arg(columns, table)) != SQLITE_OK ||
        byLastName_.prepare(db, QStringLiteral("select %1 from [%2] where [Last Name] collate "
                                               "%3 = ?1")
                                    .arg(columns, table, fromView(collation::kName))) !=
            SQLITE_OK ||
        nameless_.prepare(db, QStringLiteral("select %1 from [%2] where [Last Name] is null or "
                                             "[Last Name] collate %3 = ''")
                                  .arg(columns, table, fromView(collation::kName))) != SQLITE_OK)
        return QStringLiteral("Could not read the contacts already in the book: %1.")
            .arg(db.lastError());
    int rc;
    while ((rc = all.step()) == SQLITE_ROW)
        fingerprints_.insert(
            hashTexts([&all](std::size_t column) { return columnText(all.get(), int(column)); }));
    if (rc != SQLITE_DONE)
        return QStringLiteral("Could not read the contacts already in the book: %1.")
            .arg(db.lastError());
    return {};
}

std::uint64_t DuplicateFilter::hashOf(const Contact& contact) {
    const auto values = columnValues(contact);
    return hashTexts([&values](std::size_t column) { return textOf(values[column]); });
}

bool DuplicateFilter::isStored(const Contact& contact) {
    if (!fingerprints_.mayContain(hashOf(contact)))
        return false;
    const std::string_view lastName = textOf(&contact.lastName);
    if (lastName.empty())
        return anyRowMatches(nameless_, contact);
    sqlite3_bind_text64(byLastName_.get(), 1, lastName.data(), lastName.size(), SQLITE_STATIC,
                        SQLITE_UTF8);
    return anyRowMatches(byLastName_, contact);
}

} // namespace rolvane::exchange
