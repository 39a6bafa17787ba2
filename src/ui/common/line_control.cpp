// The widget covers the line's bounding box, widened by its thickness, and paints only the line.
#include "line_control.h"

#include <QPainter>

namespace rolvane::ui {

LineControl::LineControl(QLine line, int thickness, QColor colour, bool insideSolid,
                         QWidget* parent)
    : QWidget(parent), line_(line), thickness_(thickness), colour_(colour) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    // An inside-solid line of one pixel is drawn the same as a solid one.
    Q_UNUSED(insideSolid);
    const int pad = (thickness + 1) / 2;
    const QRect box = QRect(line.p1(), line.p2()).normalized().adjusted(-pad, -pad, pad, pad);
    setGeometry(box);
}

void LineControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor colour = colour_.isValid() ? colour_ : palette().color(QPalette::WindowText);
    painter.setPen(QPen(colour, thickness_, Qt::SolidLine, Qt::FlatCap));
    const QPoint origin = geometry().topLeft();
    painter.drawLine(line_.translated(-origin));
}

} // namespace rolvane::ui
