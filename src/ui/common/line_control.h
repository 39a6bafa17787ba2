// SPDX-License-Identifier: GPL-3.0-or-later
// A straight line of a layout, drawn on its window; it takes no input.
#pragma once

#include <QColor>
#include <QLine>
#include <QWidget>

namespace rolvane::ui {

class LineControl : public QWidget {
    Q_OBJECT
public:
    // `line` in client pixels; an invalid colour means the default line colour (window text).
    LineControl(QLine line, int thickness, QColor colour, QWidget* parent);
    QLine line() const { return line_; }
    int thickness() const { return thickness_; }
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QLine line_;
    int thickness_;
    QColor colour_;
};

} // namespace rolvane::ui
