// SPDX-License-Identifier: GPL-3.0-or-later
// The open book on every window's title bar.
#pragma once

#include <QIcon>

namespace rolvane::ui {

// Built from pixels compiled into the program: no file is read and no image plugin is loaded,
// which would cost the main window's first frame a few milliseconds.
QIcon programIcon();

} // namespace rolvane::ui
