// SPDX-License-Identifier: GPL-3.0-or-later
// Composes the search query: each filled field is one criterion, all of them joined by "and".
#include "search_query.h"

#include "data/query_texts.h"
#include "data/text_view.h"

namespace rolvane::ui {

namespace {

// A quote inside a literal is written twice; the engine reads it back as one.
QString doubledQuotes(QString text) {
    return text.replace(QLatin1Char('\''), QLatin1String("''"));
}

} // namespace

QString composeSearchQuery(std::span<const SearchField> fields) {
    const QString base = fromView(query::kSearchBase);
    QString criteriaText;
    for (const SearchField& field : fields) {
        if (field.text.isEmpty())
            continue;
        if (!criteriaText.isEmpty())
            criteriaText += fromView(query::kSearchAnd);
        criteriaText += fromView(query::kCriterionOpen) + field.column +
                        fromView(query::kCriterionEquals) + doubledQuotes(field.text) +
                        fromView(query::kCriterionClose);
    }
    if (criteriaText.isEmpty())
        return base + fromView(query::kSearchAll);
    return base + fromView(query::kSearchWhere) + criteriaText + fromView(query::kSearchOrder);
}

} // namespace rolvane::ui
