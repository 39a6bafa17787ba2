// SPDX-License-Identifier: GPL-3.0-or-later
// The widget covers the line's bounding box, widened by its thickness, and paints only the line.
#include "line_control.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace rolvane::ui {

LineControl::LineControl(QLine line, int thickness, QColor colour, QWidget* parent)
    : QWidget(parent), line_(line), thickness_(thickness), colour_(colour) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    const int pad = (thickness + 1) / 2;
    const QRect box = QRect(line.p1(), line.p2()).normalized().adjusted(-pad, -pad, pad, pad);
    setGeometry(box);
}

void LineControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor colour = colour_.isValid() ? colour_ : palette().color(QPalette::WindowText);
    const QLine line = line_.translated(-geometry().topLeft());
    // A level or upright line of even thickness puts its extra pixel below or right of the
    // line's own row, as the etched rules expect: a grey line with a white one a pixel lower.
    const int before = (thickness_ - 1) / 2;
    if (line.dy() == 0) {
        painter.fillRect(QRect(QPoint(std::min(line.x1(), line.x2()), line.y1() - before),
                               QSize(std::abs(line.dx()) + 1, thickness_)),
                         colour);
    } else if (line.dx() == 0) {
        painter.fillRect(QRect(QPoint(line.x1() - before, std::min(line.y1(), line.y2())),
                               QSize(thickness_, std::abs(line.dy()) + 1)),
                         colour);
    } else {
        painter.setPen(QPen(colour, thickness_, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(line);
    }
}

} // namespace rolvane::ui
