// SPDX-License-Identifier: GPL-3.0-or-later
// A bound field without a screen, for tests of the record source.
#pragma once

#include "data/bound_field.h"

namespace rolvane::test {

class FakeField : public BoundField {
public:
    explicit FakeField(QString column) : column_(std::move(column)) {}
    QString dataField() const override { return column_; }
    QString text() const override { return text_; }
    void setText(const QString& text) override { text_ = text; }
    bool isEdited() const override { return edited_; }
    void setEdited(bool edited) override { edited_ = edited; }
    // What typing does.
    void type(const QString& text) {
        text_ = text;
        edited_ = true;
    }

private:
    QString column_;
    QString text_;
    bool edited_ = false;
};

} // namespace rolvane::test
