// SPDX-License-Identifier: GPL-3.0-or-later
// The "Link to a Server" dialog's layout, in twips.
#pragma once

#include "ui/common/form_builder.h"

#include <array>

namespace rolvane::ui::link {

inline constexpr char kCaption[] = "Link to a Server";
inline constexpr int kClientWidth = 5700;
inline constexpr int kClientHeight = 5355;
inline constexpr std::int64_t kD = kDefaultColour;
// The address book made when the server has none.
inline constexpr char kNewBookName[] = "Rolvane";

using enum ControlKind;

// clang-format off
inline constexpr std::array<ControlSpec, 14> kControls = {{
//   name           index    kind           caption                                  left  top   width height tab font back fore style                 DataField
    {"lblAddress",  kSingle, Label,         "&Address:",                             240,  285,  1215, 255,   0,  0,   kD,  kD,  Plain,                {}},
    {"txtAddress",  kSingle, TextBox,       {},                                      1560, 240,  3900, 315,   1,  0,   kD,  kD,  Plain,                {}},
    {"lblUser",     kSingle, Label,         "&User name:",                           240,  705,  1215, 255,   2,  0,   kD,  kD,  Plain,                {}},
    {"txtUser",     kSingle, TextBox,       {},                                      1560, 660,  3900, 315,   3,  0,   kD,  kD,  Plain,                {}},
    {"lblPassword", kSingle, Label,         "&Password:",                            240,  1125, 1215, 255,   4,  0,   kD,  kD,  Plain,                {}},
    {"txtPassword", kSingle, TextBox,       {},                                      1560, 1080, 3900, 315,   5,  0,   kD,  kD,  Password,             {}},
    {"cmdFind",     kSingle, CommandButton, "&Find",                                 4245, 1515, 1215, 375,   6,  0,   kD,  kD,  DefaultButton,        {}},
    {"lblBooks",    kSingle, Label,         "Address &book:",                        240,  1995, 5220, 255,   7,  0,   kD,  kD,  Plain,                {}},
    {"lstBooks",    kSingle, ListBox,       {},                                      240,  2280, 5220, 1020,  8,  0,   kD,  kD,  Plain,                {}},
    {"chkMerge",    kSingle, CheckBox,      "&Merge with the contacts here",         240,  3420, 5220, 285,   9,  0,   kD,  kD,  Plain,                {}},
    {"chkTimer",    kSingle, CheckBox,      "&Keep syncing when Rolvane is closed",  240,  3780, 5220, 285,   10, 0,   kD,  kD,  Plain,                {}},
    {"lblStatus",   kSingle, Label,         {},                                      240,  4170, 5220, 450,   11, 0,   kD,  kD,  WordWrap,             {}},
    {"cmdLink",     kSingle, CommandButton, "&Link",                                 2835, 4740, 1215, 375,   12, 0,   kD,  kD,  Plain,                {}},
    {"cmdCancel",   kSingle, CommandButton, "Cancel",                                4245, 4740, 1215, 375,   13, 0,   kD,  kD,  CancelButton,         {}},
}};
// clang-format on

} // namespace rolvane::ui::link
