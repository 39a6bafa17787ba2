// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's style, with three costs of the first frame taken out:
// - The menu bar's and tool bars' extension icons are read only when first painted. Reading one
//   at start-up loads every image-format plugin (Qt asks each whether it reads PNG), and the main
//   window's one-entry menu bar never overflows, so never shows its icon.
// - Push-button faces of equal palettes share one cached picture. Every widget holds its own copy
//   of the palette, and the style's picture cache tells copies apart, so each of the 31 buttons
//   of the main window would otherwise be drawn from scratch.
// - Line-edit frames, which the base style draws afresh every time, come from a cached picture
//   of each size, state and palette: the main window has nine of them in two sizes.
#pragma once

#include <QProxyStyle>
#include <QStyleOptionFrame>
#include <vector>

namespace rolvane::app {

class ProgramStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    void drawCachedFrame(const QStyleOptionFrame& frame, QPainter* painter,
                         const QWidget* widget) const;
    // The first palette seen with the same colours as `palette`.
    const QPalette& shared(const QPalette& palette) const;

    mutable std::vector<QPalette> palettes_;
};

} // namespace rolvane::app
