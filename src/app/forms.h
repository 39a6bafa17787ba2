// SPDX-License-Identifier: GPL-3.0-or-later
// The window instances of the run, each created on its first use, and End.
#pragma once

#include <QString>
#include <functional>

namespace rolvane::ui {
class frmAddy;
class frmSearch;
class frmAbout;
class frmSync;
class frmLink;
} // namespace rolvane::ui

namespace rolvane::app {

ui::frmAddy& frmAddy();
ui::frmSearch& frmSearch();
ui::frmAbout& frmAbout();
ui::frmSync& frmSync();
ui::frmLink& frmLink();

// Whether an instance has been created yet (creating none).
bool hasFrmSearch();
bool hasFrmAbout();
bool hasFrmSync();

// Ends the program at once: a running sync is stopped (within 2 seconds), unsaved edits are
// dropped, every window goes, no handler runs.
void End();

// What End does last; the program exits its event loop. Tests install their own.
void setEndAction(std::function<void()> action);
// The file the main window's record source opens when it is first created; by default the fixed
// address book. Tests point it at a file of their own.
void setDatabasePath(const QString& path);
// Destroys every instance, as the end of the run does (tests start each case afresh with it).
void releaseForms();

} // namespace rolvane::app
