// SPDX-License-Identifier: GPL-3.0-or-later
// A contact as an outside file describes it, before it is fitted to the book's eleven columns.
#pragma once

#include "data/contact_table.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace rolvane::exchange {

// A phone number or e-mail address with its kinds ("work", "fax", "cell"...), lower case.
struct CardValue {
    std::string value;
    std::vector<std::string> types;
    bool preferred = false;
    int column = -1;    // a column of the book this value came from (our own export), else -1
    std::string label;  // a user's own label (Apple's X-ABLabel "Boat"), as written
    long long line = 0; // where its property starts in the card, for patching it later

    bool is(std::string_view type) const;
};

struct CardAddress {
    std::string poBox, extended, street, city, region, postalCode, country;
    std::string formatted; // the whole address as lines, when the file gives it that way
    std::vector<std::string> types;
    std::string label;
    bool preferred = false;
    long long line = 0;

    // The address as lines in its country's order (see address_layout.h).
    std::string lines() const;
    bool isEmpty() const;
};

// What a card held that the book has no place for, counted so an import can say so.
struct Unkept {
    long long photos = 0, logos = 0, sounds = 0, keys = 0;
    // Properties that mean nothing to a reader (vendor bookkeeping such as X-ABUID), by name;
    // the ones every card has (UID, PRODID, REV) are not counted.
    std::map<std::string, long long> others;

    Unkept& operator+=(const Unkept& other);
    bool any() const { return photos || logos || sounds || keys || !others.empty(); }
};
// "3 photos, 1 sound and 2 other properties (X-ABUID) not kept"; empty when nothing was left
// out.
std::string unkeptWording(const Unkept& unkept);

// A property with no column, as a labelled line of Comments names it ("Phone", "work").
struct CardExtra {
    std::string name, qualifier, value;
    long long line = 0; // where its property starts in the card; 0 when not from a vCard
    int component = -1; // the part of a structured value (N, ORG) it is, else -1
};

struct Card {
    int line = 0; // where the contact starts in its file, for warnings
    bool hasName = false;
    std::string given, family, formatted, organization;
    bool company = false; // KIND:org, X-ABShowAs:COMPANY
    long long orgLine = 0, nameLine = 0;
    std::vector<CardValue> phones, emails;
    std::vector<CardAddress> addresses;
    std::string note;
    std::string revision;                  // REV as written
    std::optional<std::string> lastUpdate; // the stamp itself, when the file carries it
    std::vector<CardExtra> extras;         // labelled lines for Comments
    Unkept unkept;

    // Set when the file has the book's own columns: taken as they are, nothing derived.
    std::optional<std::array<std::string, kColumnNames.size()>> columns;

    void addExtra(std::string label, std::string value);
    void addExtra(CardExtra extra);
};

} // namespace rolvane::exchange
