// Finding a contact column by name, ignoring case as SQL names do: the one place it is decided.
#pragma once

#include "ascii_case.h"
#include "contact_table.h"
#include "text_view.h"

#include <QString>

namespace rolvane {

// The position of `name` among the eleven columns, or -1 when it names none of them.
inline int columnIndex(const QString& name) {
    for (std::size_t i = 0; i < kColumnNames.size(); ++i) {
        if (name.compare(fromView(kColumnNames[i]), Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}
inline int columnIndex(std::string_view name) {
    for (std::size_t i = 0; i < kColumnNames.size(); ++i) {
        if (sameAsciiName(name, kColumnNames[i]))
            return int(i);
    }
    return -1;
}

// "[First Name], [Last Name], ..." in table order: statements name the columns they read, so
// a table reordered by another tool still gives each value to its own field.
inline QString bracketedColumnList() {
    QString list;
    for (std::string_view column : kColumnNames) {
        if (!list.isEmpty())
            list += QLatin1String(", ");
        list += QLatin1Char('[') + fromView(column) + QLatin1Char(']');
    }
    return list;
}

} // namespace rolvane
