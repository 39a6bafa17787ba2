// A bound field without a screen: what the record source fills when it shows a row.
#pragma once

#include "data/bound_field.h"

namespace rolvane::bench {

class BenchField : public BoundField {
public:
    explicit BenchField(QString column) : column_(std::move(column)) {}
    QString dataField() const override { return column_; }
    QString text() const override { return text_; }
    void setText(const QString& text) override { text_ = text; }
    bool isEdited() const override { return edited_; }
    void setEdited(bool edited) override { edited_ = edited; }

private:
    QString column_;
    QString text_;
    bool edited_ = false;
};

} // namespace rolvane::bench
