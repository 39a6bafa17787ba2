// SPDX-License-Identifier: GPL-3.0-or-later
// What a window reaches beyond itself: the other windows, the main window's record source, and
// End. The composition root implements it, so no window includes another window or the root.
#pragma once

namespace rolvane {
class RecordSource;
}

namespace rolvane::ui {

class Form;
class LinkWindow;
class SyncWindow;

class Program {
public:
    virtual ~Program() = default;

    // Each instance is created on its first use and kept to the end of the run.
    virtual Form& frmAddy() = 0;
    virtual Form& frmSearch() = 0;
    virtual Form& frmAbout() = 0;
    virtual SyncWindow& frmSync() = 0;
    virtual LinkWindow& frmLink() = 0;
    // The record source that frmAddy owns.
    virtual RecordSource& datAddy() = 0;
    // Ends the program at once.
    virtual void End() = 0;
};

} // namespace rolvane::ui
