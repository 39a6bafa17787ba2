// The search dialog.
#pragma once

#include "app/form.h"

namespace rolvane::ui {

class frmSearch : public app::Form {
    Q_OBJECT
protected:
    QWidget* Load() override;
};

} // namespace rolvane::ui
