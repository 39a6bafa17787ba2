// SPDX-License-Identifier: GPL-3.0-or-later
// One ICU root collator at secondary strength serves every comparison. The range bounds are sort
// key prefixes: a text sorts inside the range exactly when its sort key begins with the letter's
// primary weights, which holds whatever follows the first character.
#include "name_collation.h"

#include <array>
#include <memory>
#include <set>
#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/uiter.h>
#include <unicode/unorm.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <vector>

namespace rolvane::collation {

namespace {

struct CollatorCloser {
    void operator()(UCollator* c) const { ucol_close(c); }
};

// Null only when ICU's data is missing.
const UCollator* collator() {
    static const std::unique_ptr<UCollator, CollatorCloser> shared = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<UCollator, CollatorCloser> c(ucol_open("", &status)); // "": root
        if (U_FAILURE(status))
            return std::unique_ptr<UCollator, CollatorCloser>();
        ucol_setStrength(c.get(), UCOL_SECONDARY);
        // Canonically equivalent spellings (precomposed or not) must compare equal.
        ucol_setAttribute(c.get(), UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
        return c;
    }();
    return shared.get();
}

// UTF-8 as UTF-16, ill-formed bytes as U+FFFD; short texts stay on the stack.
class Utf16 {
public:
    explicit Utf16(std::string_view utf8) {
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF8WithSub(small_.data(), int32_t(small_.size()), &size_, utf8.data(),
                             int32_t(utf8.size()), 0xFFFD, nullptr, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            large_.resize(size_t(size_));
            status = U_ZERO_ERROR;
            u_strFromUTF8WithSub(large_.data(), size_, &size_, utf8.data(), int32_t(utf8.size()),
                                 0xFFFD, nullptr, &status);
            data_ = large_.data();
        }
    }
    const UChar* data() const { return data_; }
    int32_t size() const { return size_; }

private:
    std::array<UChar, 128> small_{};
    std::vector<UChar> large_;
    const UChar* data_ = small_.data();
    int32_t size_ = 0;
};

// Up to `limit` leading bytes of the text's sort key.
std::string keyPrefix(UCharIterator& it, size_t limit) {
    std::string out(limit, '\0');
    uint32_t state[2] = {0, 0};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t got = ucol_nextSortKeyPart(
        collator(), &it, state, reinterpret_cast<uint8_t*>(out.data()), int32_t(limit), &status);
    out.resize(U_SUCCESS(status) ? size_t(got) : 0);
    return out;
}

std::string keyPrefixUtf8(std::string_view utf8, size_t limit) {
    UCharIterator it;
    uiter_setUTF8(&it, utf8.data(), int32_t(utf8.size()));
    return keyPrefix(it, limit);
}

// The primary weights of a text: its sort key up to the level separator.
std::string primaryKey(const UChar* text, int32_t length) {
    UCharIterator it;
    uiter_setString(&it, text, length);
    std::string key = keyPrefix(it, 64 + 8 * size_t(length));
    key.resize(std::min(key.find('\x01'), key.size()));
    return key;
}

std::string letterKey(char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = 0xFFFD;
    UChar buffer[2];
    int32_t length = 0;
    U16_APPEND_UNSAFE(buffer, length, c);
    return primaryKey(buffer, length);
}

// Letters that begin a contraction whose weights do not begin with the letter's own: a text
// beginning with such a letter may sort elsewhere than the letter alone.
const std::set<std::string>& unsafeLetters() {
    static const std::set<std::string> unsafe = [] {
        std::set<std::string> out;
        USet* contractions = uset_openEmpty();
        UErrorCode status = U_ZERO_ERROR;
        ucol_getContractionsAndExpansions(collator(), contractions, nullptr, true, &status);
        std::vector<UChar> text(64);
        for (int32_t i = 0, n = uset_getItemCount(contractions); U_SUCCESS(status) && i < n; ++i) {
            UChar32 start = 0, end = 0;
            UErrorCode itemStatus = U_ZERO_ERROR;
            const int32_t length = uset_getItem(contractions, i, &start, &end, text.data(),
                                                int32_t(text.size()), &itemStatus);
            if (length <= 0 || U_FAILURE(itemStatus))
                continue; // a range of single code points, not a contraction
            UChar32 first = 0;
            int32_t offset = 0;
            U16_NEXT(text.data(), offset, length, first);
            const std::string firstKey = letterKey(char32_t(first));
            const std::string key = primaryKey(text.data(), length);
            if (!firstKey.empty() && key.compare(0, firstKey.size(), firstKey) != 0)
                out.insert(firstKey);
        }
        uset_close(contractions);
        return out;
    }();
    return unsafe;
}

// A range bound: a mark no UTF-8 text begins with, its side, then the key prefix it stands for.
constexpr char kBoundMark = '\xFF';
constexpr char kLowSide = '<';
constexpr char kHighSide = '>';

struct Value {
    std::string_view bytes;
    int side = 0; // -1 just before every key that begins with `bytes`, +1 just after; 0 a text
};

Value classify(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes[0] == kBoundMark &&
        (bytes[1] == kLowSide || bytes[1] == kHighSide))
        return {bytes.substr(2), bytes[1] == kLowSide ? -1 : 1};
    return {bytes, 0};
}

int sign(int v) {
    return (v > 0) - (v < 0);
}

// Orders bounds among themselves: as key prefixes, each padded on its side.
int compareBounds(const Value& a, const Value& b) {
    const size_t common = std::min(a.bytes.size(), b.bytes.size());
    if (const int c = a.bytes.substr(0, common).compare(b.bytes.substr(0, common)); c != 0)
        return sign(c);
    if (a.bytes.size() == b.bytes.size())
        return sign(a.side - b.side);
    // One is a prefix of the other: the shorter one's side decides.
    return a.bytes.size() < b.bytes.size() ? a.side : -b.side;
}

int compareTextWithBound(std::string_view text, const Value& bound) {
    const std::string key = keyPrefixUtf8(text, bound.bytes.size());
    const std::string_view head = std::string_view(bound.bytes).substr(0, key.size());
    if (const int c = std::string_view(key).compare(head); c != 0)
        return sign(c);
    if (key.size() < bound.bytes.size())
        return -1; // the whole key is shorter than the bound's prefix
    return -bound.side;
}

int compareValues(std::string_view a, std::string_view b) {
    const Value va = classify(a), vb = classify(b);
    if (va.side == 0 && vb.side == 0)
        return compare(a, b);
    if (va.side != 0 && vb.side != 0)
        return compareBounds(va, vb);
    return va.side == 0 ? compareTextWithBound(a, vb) : -compareTextWithBound(b, va);
}

int collate(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return compareValues({static_cast<const char*>(a), size_t(lengthA)},
                         {static_cast<const char*>(b), size_t(lengthB)});
}

} // namespace

int registerCollation(sqlite3* db) {
    if (!collator())
        return SQLITE_ERROR;
    return sqlite3_create_collation_v2(db, kName.data(), SQLITE_UTF8, nullptr, collate, nullptr);
}

std::string collatorVersion() {
    if (!collator())
        return {};
    UVersionInfo version;
    ucol_getVersion(collator(), version);
    char text[U_MAX_VERSION_STRING_LENGTH];
    u_versionToString(version, text);
    return text;
}

int compare(std::string_view a, std::string_view b) {
    if (a == b)
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult order = ucol_strcollUTF8(collator(), a.data(), int32_t(a.size()),
                                                    b.data(), int32_t(b.size()), &status);
    if (order != UCOL_EQUAL)
        return order;
    // ICU also equates invisible characters with nothing and compatibility forms with their
    // letters; names that differ so are different names, ordered as their case-folded forms.
    const Utf16 ua(a), ub(b);
    status = U_ZERO_ERROR;
    return sign(unorm_compare(ua.data(), ua.size(), ub.data(), ub.size(),
                              U_COMPARE_IGNORE_CASE | U_COMPARE_CODE_POINT_ORDER, &status));
}

bool sameLetter(char32_t a, char32_t b) {
    if (a == b)
        return true;
    if (a < 0x80 && b < 0x80) {
        const auto fold = [](char32_t c) { return (c >= U'A' && c <= U'Z') ? c + 32 : c; };
        return fold(a) == fold(b);
    }
    const std::string key = letterKey(a);
    return !key.empty() && key == letterKey(b);
}

bool letterBetween(char32_t c, char32_t low, char32_t high) {
    const std::string key = letterKey(c);
    if (key.empty())
        return c >= low && c <= high;
    return letterKey(low) <= key && key <= letterKey(high);
}

std::optional<Range> firstLetterRange(char32_t first) {
    const std::string key = letterKey(first);
    if (key.empty() || unsafeLetters().contains(key))
        return std::nullopt;
    return Range{std::string{kBoundMark, kLowSide} + key, std::string{kBoundMark, kHighSide} + key};
}

} // namespace rolvane::collation
