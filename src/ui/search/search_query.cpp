// SPDX-License-Identifier: GPL-3.0-or-later
// Composes the search query step by step: count the filled fields, keep their criteria from
// position 1, then join them to the base text.
#include "search_query.h"

#include "data/query_texts.h"
#include "data/text_view.h"

#include <array>
#include <optional>

namespace rolvane::ui {

namespace {

// A quote inside a literal is written twice; the engine reads it back as one.
QString doubledQuotes(QString text) {
    return text.replace(QLatin1Char('\''), QLatin1String("''"));
}

} // namespace

QString composeSearchQuery(std::span<const SearchField> fields) {
    int count = 0;
    // Position 0 is never filled; the first criterion goes to position 1.
    std::array<std::optional<QString>, 11> criteria;
    const QString base = fromView(query::kSearchBase);

    for (const SearchField& field : fields) {
        if (field.text.isEmpty())
            continue;
        if (count + 1 >= int(criteria.size()))
            break;
        ++count;
        criteria[size_t(count)] = fromView(query::kCriterionOpen) + field.column +
                                  fromView(query::kCriterionEquals) + doubledQuotes(field.text) +
                                  fromView(query::kCriterionClose);
    }

    if (count < 1)
        return base + fromView(query::kSearchAll);
    QString criteriaText;
    if (count == 2)
        criteriaText = *criteria[1] + fromView(query::kSearchAnd) + *criteria[2];
    else
        criteriaText = *criteria[1];
    return base + fromView(query::kSearchWhere) + criteriaText + fromView(query::kSearchOrder);
}

} // namespace rolvane::ui
