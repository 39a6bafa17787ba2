// Liberation Sans has the metrics the layouts were drawn for; the fontconfig default does not.
#include "fonts.h"

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

void registerFontSubstitutes() {
    QFont::insertSubstitution(QString::fromLatin1(kLayoutFontFamily),
                              QStringLiteral("Liberation Sans"));
}

} // namespace rolvane::ui
