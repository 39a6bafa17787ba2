// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader says for the main window's fields and buttons: the captions stand beside
// the fields without being tied to them, and the letter and bar buttons show no words of their own.
#pragma once

class QWidget;

namespace rolvane::ui {

// Names every field, letter button and navigation-bar button of a built main window.
void applyAccessibleNames(QWidget* window);

} // namespace rolvane::ui
