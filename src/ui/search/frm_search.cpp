#include "frm_search.h"

namespace rolvane::ui {

QWidget* frmSearch::Load() {
    auto* window = new QWidget;
    window->setObjectName(QStringLiteral("frmSearch"));
    window->setWindowTitle(QStringLiteral("Who are you looking for??"));
    return window;
}

} // namespace rolvane::ui
