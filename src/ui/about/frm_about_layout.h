// SPDX-License-Identifier: GPL-3.0-or-later
// The About dialog's layout, in twips, as drawn.
#pragma once

#include "ui/common/form_builder.h"

#include <array>

namespace rolvane::ui::about {

inline constexpr char kCaption[] = "About Rolvane 2.0";
inline constexpr int kClientWidth = 5730;
inline constexpr int kClientHeight = 2490;
// Where the client area's top-left corner goes on the screen; the dialog is not centred.
inline constexpr int kClientLeft = 2340;
inline constexpr int kClientTop = 1935;
inline constexpr char kPicture[] = ":/pictures/about.jpg";
inline constexpr std::int64_t kD = kDefaultColour;

using enum ControlKind;

// The controls are created in this order: picIcon, cmdOK, cmdSysInfo, Line1(1), lblTitle,
// Line1(0); the tables below are built one after the other.
// clang-format off
inline constexpr std::array<ControlSpec, 3> kPictureAndButtons = {{
//   name          index    kind           caption            left  top   width height tab font back fore style                         DataField
    {"picIcon",    kSingle, PictureBox,    kPicture,          480,  1560, 1230, 525,   1,  0,   kD,  kD,  Plain,                        {}},
    {"cmdOK",      kSingle, CommandButton, "OK",              4245, 1305, 1260, 345,   0,  0,   kD,  kD,  DefaultButton | CancelButton, {}},
    {"cmdSysInfo", kSingle, CommandButton, "&System Info...", 4260, 1755, 1245, 345,   2,  0,   kD,  kD,  Plain,                        {}},
}};

inline constexpr std::array<LineSpec, 1> kGreyRule = {{
    {"Line1", 1, 90, 1125, 5654, 1125, 1, 0x00808080},
}};

inline constexpr std::array<ControlSpec, 1> kTitle = {{
    {"lblTitle",   kSingle, Label,         "Rolvane 2.0",     600,  480,  3885, 480,   3,  13.5, kD, 0x00000000, Plain,             {}},
}};

inline constexpr std::array<LineSpec, 1> kWhiteRule = {{
    {"Line1", 0, 105, 1140, 5654, 1140, 2, 0x00FFFFFF},
}};
// clang-format on

} // namespace rolvane::ui::about
