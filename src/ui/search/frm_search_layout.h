// SPDX-License-Identifier: GPL-3.0-or-later
// The search dialog's layout, in twips, as drawn.
#pragma once

#include "ui/common/form_builder.h"

#include <array>

namespace rolvane::ui::search {

inline constexpr char kCaption[] = "Who are you looking for??";
inline constexpr int kClientWidth = 6780;
inline constexpr int kClientHeight = 3090;
inline constexpr std::int64_t kGreen = 0x0000FF00;
inline constexpr std::int64_t kRed = 0x000000FF;
inline constexpr std::int64_t kD = kDefaultColour;
inline constexpr double kFontPoints = 12;

// The fields name the main window's record source; the dialog only reads their column names.
inline constexpr char kDataSource[] = "frmAddy.datAddy";
inline constexpr char kFieldArray[] = "txtfields";

using enum ControlKind;

// clang-format off
inline constexpr std::array<ControlSpec, 7> kControls = {{
//   name         index    kind           caption        left  top   width height tab font         back    fore  style  DataField
    {"Label1",    kSingle, Label,         "First Name:", 360,  240,  1575, 375,   0,  kFontPoints, kGreen, kD,   Plain, {}},
    {"Label2",    kSingle, Label,         "Last Name:",  360,  1080, 1575, 375,   1,  kFontPoints, kGreen, kD,   Plain, {}},
    {"txtfields", 0,       TextBox,       {},            2160, 240,  3375, 495,   2,  kFontPoints, kD,     kRed, Plain, "First Name"},
    {"txtfields", 1,       TextBox,       {},            2160, 1080, 3375, 495,   3,  kFontPoints, kD,     kRed, Plain, "Last Name"},
    {"cmdSearch", kSingle, CommandButton, "&Search",     3120, 2280, 1455, 495,   4,  0,           kD,     kD,   Plain, {}},
    {"cmdCancel", kSingle, CommandButton, "&Cancel",     4920, 2280, 1095, 495,   5,  0,           kD,     kD,   Plain, {}},
    {"cmdClear",  kSingle, CommandButton, "C&lear",      1200, 2280, 1455, 495,   6,  0,           kD,     kD,   Plain, {}},
}};
// clang-format on

// Runs past the right edge of the client area, so it spans the whole width.
inline constexpr std::array<LineSpec, 1> kLines = {{
    {"Line1", kSingle, 0, 2040, 6840, 2040, 5, kDefaultColour},
}};

} // namespace rolvane::ui::search
