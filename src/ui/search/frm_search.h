// SPDX-License-Identifier: GPL-3.0-or-later
// The search dialog: two fields whose texts become a query for the main window's record source.
#pragma once

#include "ui/common/form.h"

namespace rolvane::ui {

class Program;

class frmSearch : public Form {
    Q_OBJECT
public:
    // Reaches the main window and its record source through `program`.
    explicit frmSearch(Program& program);

    // Runs the query of the filled fields; shows the main window on the matches, or says nothing
    // was found and puts the main window back on all contacts. Either way the dialog hides.
    void cmdSearch_Click();
    // Empties both fields; runs nothing.
    void cmdClear_Click();
    // Hides the dialog, then unloads it with its texts; the record source is not touched.
    void cmdCancel_Click();

protected:
    QWidget* load() override;
    // Closing through the frame is Cancel.
    bool queryClose() override;

private:
    Program& program_;
};

} // namespace rolvane::ui
