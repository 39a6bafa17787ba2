// SPDX-License-Identifier: GPL-3.0-or-later
// The one font face the layouts name, and its stand-in where it is not installed.
#pragma once

#include <QFont>

namespace rolvane::ui {

inline constexpr char kLayoutFontFamily[] = "MS Sans Serif";
// The size of every text whose control names no font of its own.
inline constexpr double kWindowFontPoints = 8.25;

// "MS Sans Serif" bold (weight 700), Western, at the given size in points.
QFont layoutFont(double points);
// The same for a caption: its fixed Latin text is drawn by this face alone, unhinted. Text that
// people type keeps layoutFont, which borrows from other fonts what this one lacks (Greek, Han,
// ...); that borrowing costs a search of the system's fonts for every size at start-up.
QFont captionFont(double points);
// "MS Sans Serif" regular at kWindowFontPoints: fields, buttons, menus and message boxes that
// name no font. It borrows from other fonts, as people type into the fields.
QFont windowFont();
// Makes Liberation Sans stand in for "MS Sans Serif" and windowFont the program's default, so
// that no text falls to whatever the machine calls sans-serif. Call once, after QApplication.
void useProgramFonts();

} // namespace rolvane::ui
