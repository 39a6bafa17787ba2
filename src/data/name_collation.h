// SPDX-License-Identifier: GPL-3.0-or-later
// The one text order of the address book: ICU's root (CLDR) order, the same whatever the user's
// language, ignoring case for every script and keeping accents significant.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct sqlite3;

namespace rolvane::collation {

// The name SQL uses: "order by [Last Name] collate rolvane_text".
inline constexpr std::string_view kName = "rolvane_text";

// Registers the collation on a connection; an SQLite result code.
int registerCollation(sqlite3* db);

// ICU's version of this collator ("153.120"); an index built by another differs in order.
std::string collatorVersion();

// Compares two UTF-8 texts as the collation does: < 0, 0 or > 0. Texts are equal when they are
// the same apart from case and canonically equivalent forms; invisible characters count.
int compare(std::string_view a, std::string_view b);

// Whether two characters are the same letter, ignoring case and accents (ICU's primary strength).
bool sameLetter(char32_t a, char32_t b);
// Whether `c` sorts between `low` and `high` (inclusive), ignoring case and accents.
bool letterBetween(char32_t c, char32_t low, char32_t high);

// Two values that bracket, in the collation, every text whose first character is the same letter
// as `first` (sameLetter). They are not UTF-8, so no stored text is one of them; the collation
// places them around that run of texts. Empty when no such range exists: `first` has no letter
// weight of its own, or begins a contraction that changes its weight (Thai vowels, for example).
struct Range {
    std::string low;
    std::string high;
};
std::optional<Range> firstLetterRange(char32_t first);

} // namespace rolvane::collation
