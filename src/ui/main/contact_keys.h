// SPDX-License-Identifier: GPL-3.0-or-later
// Keys that move between contacts from anywhere in the main window, through the navigation bar's
// own buttons (which take no tab stop): Page Up and Page Down for the previous and next contact,
// Ctrl+Page Up and Ctrl+Page Down for the first and last.
#pragma once

class QWidget;

namespace rolvane::ui {

// Sets up the keys on a built main window. The multi-line fields keep Page Up and Page Down for
// paging through their own text.
void installContactKeys(QWidget* window);

} // namespace rolvane::ui
