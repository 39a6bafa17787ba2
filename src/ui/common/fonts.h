// The one font face the layouts name, and its stand-in where it is not installed.
#pragma once

#include <QFont>

namespace rolvane::ui {

inline constexpr char kLayoutFontFamily[] = "MS Sans Serif";

// "MS Sans Serif" bold (weight 700), Western, at the given size in points.
QFont layoutFont(double points);
// The same for a caption: its fixed Latin text is drawn by this face alone, unhinted. Text that
// people type keeps layoutFont, which borrows from other fonts what this one lacks (Greek, Han,
// ...); that borrowing costs a search of the system's fonts for every size at start-up.
QFont captionFont(double points);
// Makes Liberation Sans stand in for "MS Sans Serif"; call once at start-up.
void registerFontSubstitutes();

} // namespace rolvane::ui
