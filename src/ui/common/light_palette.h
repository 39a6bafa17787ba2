// SPDX-License-Identifier: GPL-3.0-or-later
// The colours the layouts were drawn with: dark text on light fields and faces, whatever theme the
// desktop uses, so a back colour fixed by a layout never meets a theme's light text.
#pragma once

class QWidget;

namespace rolvane::ui {

// Gives `window` and everything in it the fixed light palette.
void useLightPalette(QWidget* window);

} // namespace rolvane::ui
