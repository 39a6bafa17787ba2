// SPDX-License-Identifier: GPL-3.0-or-later
// The text fields of the layouts: single- and multi-line, each carrying its column name
// (DataField) so the record source can bind it.
#pragma once

#include "data/bound_field.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace rolvane::ui {

class BoundLineEdit : public QLineEdit, public BoundField {
    Q_OBJECT
public:
    BoundLineEdit(QString dataField, QWidget* parent);
    QString dataField() const override { return dataField_; }
    QString text() const override { return QLineEdit::text(); }
    void setText(const QString& text) override;
    bool isEdited() const override { return edited_; }
    void setEdited(bool edited) override { edited_ = edited; }

private:
    void joinLines(const QString& typed);

    QString dataField_;
    bool edited_ = false;
};

class BoundTextEdit : public QPlainTextEdit, public BoundField {
    Q_OBJECT
public:
    BoundTextEdit(QString dataField, QWidget* parent);
    QString dataField() const override { return dataField_; }
    QString text() const override { return toPlainText(); }
    void setText(const QString& text) override;
    bool isEdited() const override { return edited_; }
    void setEdited(bool edited) override { edited_ = edited; }

private:
    QString dataField_;
    bool edited_ = false;
    bool filling_ = false;
};

} // namespace rolvane::ui
