// SPDX-License-Identifier: GPL-3.0-or-later
// The XPM copies of the icon's two images, which draw_images.py writes beside rolvane.ico.
#include "program_icon.h"

#include <QPixmap>

namespace rolvane::ui {

namespace {
#include "icons/rolvane-16.xpm"
#include "icons/rolvane-32.xpm"
} // namespace

QIcon programIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap(rolvane_16_xpm));
    icon.addPixmap(QPixmap(rolvane_32_xpm));
    return icon;
}

} // namespace rolvane::ui
