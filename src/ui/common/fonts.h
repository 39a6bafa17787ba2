// The one font face the layouts name, and its stand-in where it is not installed.
#pragma once

#include <QFont>

namespace rolvane::ui {

inline constexpr char kLayoutFontFamily[] = "MS Sans Serif";

// "MS Sans Serif" bold (weight 700), Western, at the given size in points.
QFont layoutFont(double points);
// Makes Liberation Sans stand in for "MS Sans Serif"; call once at start-up.
void registerFontSubstitutes();

} // namespace rolvane::ui
