#include "frm_about.h"

namespace rolvane::ui {

QWidget* frmAbout::Load() {
    auto* window = new QWidget;
    window->setObjectName(QStringLiteral("frmAbout"));
    window->setWindowTitle(QStringLiteral("About Rolvane 2.0"));
    return window;
}

} // namespace rolvane::ui
