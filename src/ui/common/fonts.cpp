// SPDX-License-Identifier: GPL-3.0-or-later
// Liberation Sans has the metrics the layouts were drawn for; the fontconfig default does not,
// and differs from one machine to the next (a monospaced face on a minimal system).
#include "fonts.h"

#include <QApplication>

namespace rolvane::ui {

QFont layoutFont(double points) {
    QFont font(QString::fromLatin1(kLayoutFontFamily));
    font.setPointSizeF(points);
    font.setWeight(QFont::Bold);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

QFont captionFont(double points) {
    QFont font = layoutFont(points);
    font.setStyleStrategy(QFont::NoFontMerging);
    // Outlines as designed: at these sizes hinting changes a caption by a shade at the edges of
    // its letters, and costs the first frame milliseconds of glyph fitting.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QFont windowFont() {
    QFont font = layoutFont(kWindowFontPoints);
    font.setWeight(QFont::Normal);
    return font;
}

void useProgramFonts() {
    QFont::insertSubstitution(QString::fromLatin1(kLayoutFontFamily),
                              QStringLiteral("Liberation Sans"));
    // Without a class name this also drops the fonts a desktop theme sets for menus and the like.
    QApplication::setFont(windowFont());
}

} // namespace rolvane::ui
