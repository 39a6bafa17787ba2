// SPDX-License-Identifier: GPL-3.0-or-later
// The Sync window's layout, in twips.
#pragma once

#include "ui/common/form_builder.h"

#include <array>

namespace rolvane::ui::sync {

inline constexpr char kCaption[] = "Sync";
inline constexpr int kClientWidth = 6000;
inline constexpr int kClientHeight = 3735;
inline constexpr std::int64_t kD = kDefaultColour;

using enum ControlKind;

// clang-format off
inline constexpr std::array<ControlSpec, 5> kControls = {{
//   name         index    kind           caption     left  top   width height tab font back fore style                         DataField
    {"lblStatus", kSingle, Label,         {},         240,  240,  5520, 390,   3,  0,   kD,  kD,  WordWrap,                     {}},
    {"prgSync",   kSingle, ProgressBar,   {},         240,  720,  5520, 255,   4,  0,   kD,  kD,  Plain,                        {}},
    {"txtResult", kSingle, TextBox,       {},         240,  1140, 5520, 1740,  2,  0,   kD,  kD,  MultiLine | Locked,           {}},
    {"cmdCancel", kSingle, CommandButton, "&Cancel",  3120, 3120, 1215, 375,   1,  0,   kD,  kD,  Plain,                        {}},
    {"cmdClose",  kSingle, CommandButton, "C&lose",   4545, 3120, 1215, 375,   0,  0,   kD,  kD,  DefaultButton | CancelButton, {}},
}};
// clang-format on

} // namespace rolvane::ui::sync
