// SPDX-License-Identifier: GPL-3.0-or-later
// What the record source knows of a field bound to it: a column name and a text that can be read,
// written and marked edited. The windows' text fields implement it.
#pragma once

#include <QString>

namespace rolvane {

class BoundField {
public:
    virtual ~BoundField() = default;
    virtual QString dataField() const = 0;
    virtual QString text() const = 0;
    // Shows a value of the current row; clears the edited mark.
    virtual void setText(const QString& text) = 0;
    // True once the user has typed into the field since it was last filled.
    virtual bool isEdited() const = 0;
    virtual void setEdited(bool edited) = 0;
};

} // namespace rolvane
