// The search dialog: two fields whose texts become a query for the main window's record source.
#pragma once

#include "app/form.h"

namespace rolvane::ui {

class frmSearch : public app::Form {
    Q_OBJECT
public:
    // Runs the query of the filled fields; shows the main window on the matches, or says nothing
    // was found and puts the main window back on all contacts. Either way the dialog hides.
    void cmdSearch_Click();
    // Empties both fields; runs nothing.
    void cmdClear_Click();
    // Hides the dialog, then unloads it with its texts; the record source is not touched.
    void cmdCancel_Click();

protected:
    QWidget* Load() override;
    // Closing through the frame is Cancel.
    bool queryClose() override;
};

} // namespace rolvane::ui
