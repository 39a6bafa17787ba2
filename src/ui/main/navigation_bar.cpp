// SPDX-License-Identifier: GPL-3.0-or-later
// Arrow buttons painted here so they look the same under every style.
#include "navigation_bar.h"

#include "data/record_source.h"
#include "ui/common/message_box.h"
#include "ui/common/source_report.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>

namespace rolvane::ui {

namespace {

class ArrowButton : public QToolButton {
public:
    ArrowButton(bool pointsLeft, bool toEnd, QWidget* parent)
        : QToolButton(parent), left_(pointsLeft), toEnd_(toEnd) {
        setFocusPolicy(Qt::NoFocus);
        setAutoRepeat(!toEnd);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QToolButton::paintEvent(event);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(isEnabled() ? QPalette::ButtonText : QPalette::Mid));
        const QRectF r = QRectF(rect()).adjusted(width() * 0.3, height() * 0.28, -width() * 0.3,
                                                 -height() * 0.28);
        const qreal bar = toEnd_ ? r.width() * 0.22 : 0;
        QPolygonF triangle;
        if (left_) {
            triangle << QPointF(r.left() + bar, r.center().y()) << QPointF(r.right(), r.top())
                     << QPointF(r.right(), r.bottom());
            if (toEnd_)
                painter.drawRect(QRectF(r.left(), r.top(), bar * 0.7, r.height()));
        } else {
            triangle << QPointF(r.right() - bar, r.center().y()) << QPointF(r.left(), r.top())
                     << QPointF(r.left(), r.bottom());
            if (toEnd_)
                painter.drawRect(QRectF(r.right() - bar * 0.7, r.top(), bar * 0.7, r.height()));
        }
        painter.drawPolygon(triangle);
    }

private:
    bool left_;
    bool toEnd_;
};

} // namespace

NavigationBar::NavigationBar(RecordSource& source, QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::Base));
    setPalette(p);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    struct Spec {
        const char* name;
        bool left;
        bool toEnd;
        bool (Recordset::*move)();
    };
    const Spec specs[] = {{"datAddyFirst", true, true, &Recordset::MoveFirst},
                          {"datAddyPrevious", true, false, &Recordset::MovePrevious},
                          {"datAddyNext", false, false, &Recordset::MoveNext},
                          {"datAddyLast", false, true, &Recordset::MoveLast}};
    for (const Spec& spec : specs) {
        if (!spec.left && layout->count() == 2)
            layout->addStretch(1); // the empty caption area
        auto* button = new ArrowButton(spec.left, spec.toEnd, this);
        button->setObjectName(QString::fromLatin1(spec.name));
        button->setFixedWidth(23);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        connect(button, &QToolButton::clicked, this, [&source, button, move = spec.move] {
            // A held arrow repeats; while a message is up, or after a move failed, it stops
            // until it is pressed again.
            if (isMessageShowing()) {
                button->setDown(false);
                return;
            }
            const bool moved = (source.Recordset().*move)();
            if (!moved || source.hasNotices())
                button->setDown(false);
            reportSource(source, moved);
        });
        layout->addWidget(button);
    }
}

} // namespace rolvane::ui
