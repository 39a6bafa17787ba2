// The desktop's style, with the menu bar's and tool bars' extension icons read only when first
// painted. Reading one at start-up loads every image-format plugin (Qt asks each whether it reads
// PNG), and the main window's one-entry menu bar never overflows, so never shows its icon.
#pragma once

#include <QProxyStyle>

namespace rolvane::app {

class DeferredIconStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace rolvane::app
