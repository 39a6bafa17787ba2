// SPDX-License-Identifier: GPL-3.0-or-later
// The search dialog's query text, composed from the texts typed into its fields. No widgets, so
// it can be checked on its own.
#pragma once

#include <QString>
#include <span>

namespace rolvane::ui {

// One search field: the column it names (its DataField) and its text as typed.
struct SearchField {
    QString column;
    QString text;
};

// Each filled field (blanks count as filled) adds " [column] = 'text'", in the order given; with
// none filled the query selects every contact, unsorted. Every single quote inside a text is
// doubled, so the text stays one literal whatever it holds.
QString composeSearchQuery(std::span<const SearchField> fields);

} // namespace rolvane::ui
