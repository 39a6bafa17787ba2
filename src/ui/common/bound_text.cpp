// Only what the user types marks a field edited; texts the record source fills in do not.
#include "bound_text.h"

#include <limits>

namespace rolvane::ui {

BoundLineEdit::BoundLineEdit(QString dataField, QWidget* parent)
    : QLineEdit(parent), dataField_(std::move(dataField)) {
    setProperty("DataField", dataField_);
    // No length limit: a field never cuts what it is given.
    setMaxLength(std::numeric_limits<int>::max());
    connect(this, &QLineEdit::textEdited, this, [this] { edited_ = true; });
}

void BoundLineEdit::setText(const QString& text) {
    QLineEdit::setText(text);
    setCursorPosition(0);
    edited_ = false;
}

BoundTextEdit::BoundTextEdit(QString dataField, QWidget* parent)
    : QPlainTextEdit(parent), dataField_(std::move(dataField)) {
    setProperty("DataField", dataField_);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!filling_)
            edited_ = true;
    });
}

void BoundTextEdit::setText(const QString& text) {
    filling_ = true;
    setPlainText(text);
    filling_ = false;
    edited_ = false;
}

} // namespace rolvane::ui
