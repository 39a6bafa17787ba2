// SPDX-License-Identifier: GPL-3.0-or-later
// Only what the user types marks a field edited; texts the record source fills in do not.
#include "bound_text.h"

#include <limits>

namespace rolvane::ui {

BoundLineEdit::BoundLineEdit(QString dataField, QWidget* parent)
    : QLineEdit(parent), dataField_(std::move(dataField)) {
    setProperty("DataField", dataField_);
    // No length limit: a field never cuts what it is given.
    setMaxLength(std::numeric_limits<int>::max());
    connect(this, &QLineEdit::textEdited, this, [this](const QString& typed) {
        edited_ = true;
        joinLines(typed);
    });
}

void BoundLineEdit::joinLines(const QString& typed) {
    // A pasted line break would be stored but hidden on one line: it becomes a blank.
    if (!typed.contains(QLatin1Char('\n')) && !typed.contains(QLatin1Char('\r')))
        return;
    const int cursor = cursorPosition();
    QString joined = typed;
    joined.replace(QLatin1String("\r\n"), QLatin1String(" "));
    joined.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    QLineEdit::setText(joined);
    setCursorPosition(int(cursor - (typed.size() - joined.size())));
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
