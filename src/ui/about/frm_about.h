// The About dialog.
#pragma once

#include "app/form.h"

namespace rolvane::ui {

class frmAbout : public app::Form {
    Q_OBJECT
protected:
    QWidget* Load() override;
};

} // namespace rolvane::ui
