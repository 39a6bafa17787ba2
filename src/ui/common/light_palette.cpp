// SPDX-License-Identifier: GPL-3.0-or-later
// One fixed palette in the classic light colours of the platform the layouts come from.
#include "light_palette.h"

#include <QPalette>
#include <QWidget>

namespace rolvane::ui {

void useLightPalette(QWidget* window) {
    const QColor face(0xF0, 0xF0, 0xF0);
    const QColor text(Qt::black);
    const QColor grey(0x6D, 0x6D, 0x6D);
    QPalette p(text, face, Qt::white, QColor(0xA0, 0xA0, 0xA0), QColor(0xA0, 0xA0, 0xA0), text,
               Qt::white);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xF7, 0xF7, 0xF7));
    p.setColor(QPalette::Button, face);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Window, face);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Highlight, QColor(0x00, 0x78, 0xD7));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xDC));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, grey);
    p.setColor(QPalette::Link, QColor(0x00, 0x00, 0xFF));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, grey);
    window->setPalette(p);
}

} // namespace rolvane::ui
