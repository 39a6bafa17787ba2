// SPDX-License-Identifier: GPL-3.0-or-later
// The book's rows are hashed once per import; each incoming contact costs one hash and one probe,
// and only a probe whose bits match reads that one row back, by rowid, to compare the texts.
#include "duplicate_filter.h"

#include "comment_lines.h"
#include "data/column_index.h"
#include "data/text_view.h"

#include <algorithm>
#include <string_view>

namespace rolvane::exchange {

namespace {

constexpr std::size_t kTexts = 10; // every column but Last Update
constexpr std::size_t kComments = 9;

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

constexpr std::uint64_t kPrime = 1099511628211ULL;

std::uint64_t feed(std::uint64_t hash, std::string_view text, std::uint64_t& length) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (skipped(text, i))
            continue;
        hash = (hash ^ static_cast<unsigned char>(text[i])) * kPrime;
        ++length;
    }
    return hash;
}

std::uint64_t addText(std::uint64_t hash, std::string_view text) {
    std::uint64_t length = 0;
    hash = feed(hash, text, length);
    // The length ends each text, so "ab" + "c" and "a" + "bc" differ.
    return (hash ^ length) * kPrime;
}

// First and last name as one text, a blank between.
std::uint64_t addName(std::uint64_t hash, std::string_view first, std::string_view last) {
    std::uint64_t length = 0;
    hash = feed(hash, first, length);
    if (!first.empty() && !last.empty())
        hash = feed(hash, " ", length);
    hash = feed(hash, last, length);
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

// The name as one text, and every column but Comments: a contact read anew from a card imported
// before Comments had its separator, or before a company's name went whole into Last Name, is
// then a candidate too.
template <typename Texts> std::uint64_t hashTexts(const Texts& textAt) {
    std::uint64_t hash = 14695981039346656037ULL;
    hash = addName(hash, textAt(0), textAt(1));
    for (std::size_t column = 2; column < kComments; ++column)
        hash = addText(hash, textAt(column));
    // Spread the bits, so that both the slot and the fingerprint take all of them.
    hash ^= hash >> 31;
    hash *= 0x9E3779B97F4A7C15ULL;
    return hash ^ (hash >> 29);
}

// Labels Comments showed before the separator, each with its value on the line.
constexpr std::string_view kOldLabels[] = {"Title",        "Role",       "Nickname",   "Birthday",
                                           "Anniversary",  "Web page",   "Chat",       "Gender",
                                           "Phone",        "E-mail",     "Address",    "Full name",
                                           "Organization", "Department", "Middle name"};

// CR LF as LF; a lone CR stays, as sameText() takes it.
std::string withLineFeeds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!skipped(text, i))
            out += text[i];
    return out;
}

bool oldLabelledLine(std::string_view line) {
    const std::size_t colon = line.find(": ");
    return colon != std::string_view::npos && colon > 0 && line[0] >= 'A' && line[0] <= 'Z';
}

// Whether `stored`, with no separator, is the old form of `incoming`: the same note, then only
// "Label: value" lines, holding every value of a label the old form showed.
bool oldFormOf(std::string_view stored, const SplitComments& incoming) {
    if (hasSeparator(stored))
        return false;
    const std::string st = withLineFeeds(stored);
    const std::string note = withLineFeeds(incoming.note);
    std::string_view rest = st;
    if (!note.empty()) {
        if (st == note)
            rest = {};
        else if (st.starts_with(note + '\n'))
            rest.remove_prefix(note.size() + 1);
        else
            return false;
    }
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        if (!oldLabelledLine(rest.substr(0, end)))
            return false;
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return std::all_of(incoming.lines.begin(), incoming.lines.end(), [&](const CardExtra& l) {
        const bool shown =
            std::find(std::begin(kOldLabels), std::end(kOldLabels), l.name) != std::end(kOldLabels);
        return !shown || st.find(l.value.substr(0, l.value.find('\n'))) != std::string::npos;
    });
}

QString readFailure(const sqlite::Connection& db) {
    return QStringLiteral("Could not read the contacts already in the book: %1.")
        .arg(db.lastError());
}

// Rowids above 32 bits are not kept: such a row is never taken for a duplicate.
constexpr std::int64_t kMaxRowid = 0xFFFFFFFF;

} // namespace

void RowHashTable::reset(std::size_t rows) {
    bits_ = 10;
    while ((std::size_t(1) << bits_) * 3 < rows * 4)
        ++bits_;
    rowids_.assign(std::size_t(1) << bits_, 0);
    tags_.assign(rowids_.size(), 0);
    count_ = 0;
}

bool RowHashTable::insert(std::uint64_t hash, std::int64_t rowid) {
    if ((count_ + 1) * 4 > rowids_.size() * 3)
        return false;
    if (rowid <= 0 || rowid > kMaxRowid)
        return true;
    const std::size_t mask = rowids_.size() - 1;
    std::size_t slot = home(hash);
    while (rowids_[slot] != 0)
        slot = (slot + 1) & mask;
    rowids_[slot] = std::uint32_t(rowid);
    tags_[slot] = tag(hash);
    ++count_;
    return true;
}

template <typename Matches> bool RowHashTable::find(std::uint64_t hash, Matches&& matches) const {
    if (rowids_.empty())
        return false;
    const std::size_t mask = rowids_.size() - 1;
    for (std::size_t slot = home(hash); rowids_[slot] != 0; slot = (slot + 1) & mask) {
        if (tags_[slot] == tag(hash) && matches(std::int64_t(rowids_[slot])))
            return true;
    }
    return false;
}

QString DuplicateFilter::load(const sqlite::Connection& db) {
    db_ = &db;
    const QString table = fromView(kTableName);
    const QString columns = bracketedColumnList().section(QLatin1String(", "), 0, int(kTexts) - 1);
    sqlite::Statement count;
    if (count.prepare(db, QStringLiteral("select count(*) from [%1]").arg(table)) != SQLITE_OK ||
        count.step() != SQLITE_ROW ||
        all_.prepare(db, QStringLiteral("select rowid, %1 from [%2]").arg(columns, table)) !=
            SQLITE_OK ||
        byRowid_.prepare(
            db, QStringLiteral("select %1 from [%2] where rowid = ?1").arg(columns, table)) !=
            SQLITE_OK)
        return readFailure(db);
    // Room for as many again as the book holds, before the table has to grow.
    const auto rows = std::size_t(count.columnInt64(0));
    return rebuild(rows + rows / 2 + 1024);
}

// Growing reads the rows again rather than keeping every hash: the table stays at five bytes a
// slot, and the rows read since the last growth are at most as many as the table holds.
QString DuplicateFilter::rebuild(std::size_t rows) {
    table_.reset(rows);
    int rc;
    while ((rc = all_.step()) == SQLITE_ROW) {
        sqlite3_stmt* row = all_.get();
        const std::uint64_t hash =
            hashTexts([row](std::size_t column) { return columnText(row, int(column) + 1); });
        if (!table_.insert(hash, sqlite3_column_int64(row, 0)))
            break;
    }
    all_.reset();
    if (rc != SQLITE_DONE)
        return rc == SQLITE_ROW ? rebuild(rows * 2) : readFailure(*db_);
    return {};
}

bool DuplicateFilter::rowMatches(std::int64_t rowid, const Contact& contact) {
    sqlite3_bind_int64(byRowid_.get(), 1, rowid);
    sqlite3_stmt* row = byRowid_.get();
    bool same = byRowid_.step() == SQLITE_ROW;
    const auto values = columnValues(contact);
    bool names = true;
    for (std::size_t column = 0; same && column < kComments; ++column) {
        const bool equal = sameText(columnText(row, int(column)), textOf(values[column]));
        if (column < 2)
            names = names && equal;
        else
            same = equal;
    }
    const std::string_view comments = textOf(values[kComments]);
    if (same && !(names && sameText(columnText(row, int(kComments)), comments))) {
        // Matched above by the name as one text: only a company's name was split otherwise.
        const SplitComments now = splitComments(comments);
        const bool company = std::any_of(now.lines.begin(), now.lines.end(),
                                         [](const CardExtra& l) { return l.name == "Company"; });
        same = (names || company) && oldFormOf(columnText(row, int(kComments)), now);
    }
    byRowid_.reset();
    return same;
}

std::uint64_t DuplicateFilter::hashOf(const Contact& contact) {
    const auto values = columnValues(contact);
    return hashTexts([&values](std::size_t column) { return textOf(values[column]); });
}

bool DuplicateFilter::isStored(const Contact& contact) {
    return table_.find(hashOf(contact),
                       [&](std::int64_t rowid) { return rowMatches(rowid, contact); });
}

QString DuplicateFilter::remember(const Contact& contact, std::int64_t rowid) {
    if (table_.insert(hashOf(contact), rowid))
        return {};
    // The row is stored already, so the rebuild reads it with the others.
    return rebuild(table_.size() * 2 + 1024);
}

} // namespace rolvane::exchange
