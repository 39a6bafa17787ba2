// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's layout, in twips, as drawn.
#pragma once

#include "ui/common/form_builder.h"

#include <array>

namespace rolvane::ui::addy {

inline constexpr char kCaption[] = "Rolvane 2.0";
inline constexpr int kClientWidth = 10830;
inline constexpr int kClientHeight = 6135;
inline constexpr std::int64_t kGreen = 0x0000FF00;
inline constexpr std::int64_t kWhite = 0x00FFFFFF;
inline constexpr std::int64_t kD = kDefaultColour;

// The navigation bar of the record source: no caption, no tab stop.
inline constexpr int kBarLeft = 120, kBarTop = 5520, kBarWidth = 7335, kBarHeight = 375;

using enum ControlKind;

// clang-format off
inline constexpr std::array<ControlSpec, 26> kFixedControls = {{
//   name         index kind           caption                    left   top    width  height tab  font   back    fore style                 DataField
    {"Label1",    kSingle, Label,      "First Name",              360,   240,   2070,  195,   0,   8.25,  kGreen, kD, AlignRight,           {}},
    {"Label2",    kSingle, Label,      "Last Name",               360,   600,   2070,  195,   15,  8.25,  kGreen, kD, AlignRight,           {}},
    {"Label3",    0,       Label,      "Phone Numbers",           360,   960,   2070,  195,   16,  8.25,  kGreen, kD, AlignRight,           {}},
    {"Label3",    2,       Label,      "E-mail",                  360,   2040,  2070,  195,   20,  8.25,  kGreen, kD, AlignRight,           {}},
    {"Label4",    kSingle, Label,      "Business Phone Number",   360,   2400,  2070,  195,   17,  8.25,  kGreen, kD, AlignRight,           {}},
    {"Label5",    kSingle, Label,      "Fax",                     360,   2760,  2070,  195,   18,  8.25,  kGreen, kD, AlignRight,           {}},
    {"Label3",    1,       Label,      "Address",                 360,   3120,  2070,  195,   19,  8.25,  kGreen, kD, AlignRight,           {}},
    {"Label3",    3,       Label,      "Comments",                360,   3960,  2070,  195,   21,  8.25,  kGreen, kD, AlignRight,           {}},
    {"Label7",    kSingle, Label,      "Record Last Updated: ",   8520,  5040,  2070,  195,   51,  8.25,  kGreen, kD, AlignRight,           {}},
    {"Label6",    kSingle, Label,      "Search by starting letter of the last name:",
                                                                  8160,  120,   2070,  855,   49,  9.75,  kWhite, kD, WordWrap,             {}},
    {"Text1",     kSingle, TextBox,    {},                        2520,  240,   2175,  285,   1,   0,     kD,     kD, Plain,                "First Name"},
    {"Text2",     kSingle, TextBox,    {},                        2520,  600,   2175,  285,   2,   0,     kD,     kD, Plain,                "Last Name"},
    {"Text3",     kSingle, TextBox,    {},                        2500,  960,   2175,  285,   3,   0,     kD,     kD, Plain,                "Ph1"},
    {"Text4",     kSingle, TextBox,    {},                        2500,  1320,  2175,  285,   4,   0,     kD,     kD, Plain,                "Ph2"},
    {"Text5",     kSingle, TextBox,    {},                        2500,  1680,  2175,  285,   5,   0,     kD,     kD, Plain,                "Ph3"},
    {"Text6",     kSingle, TextBox,    {},                        2505,  2040,  2175,  285,   6,   0,     kD,     kD, Plain,                "Email"},
    {"Text7",     kSingle, TextBox,    {},                        2505,  2400,  2175,  285,   7,   0,     kWhite, kD, Plain,                "Bus"},
    {"Text8",     kSingle, TextBox,    {},                        2520,  2760,  2175,  285,   8,   0,     kD,     kD, Plain,                "Fax"},
    {"Text9",     kSingle, TextBox,    {},                        2505,  3120,  3975,  735,   9,   0,     kD,     kD, MultiLine,            "Addy"},
    {"Text10",    kSingle, TextBox,    {},                        2505,  3960,  3975,  735,   10,  0,     kD,     kD, MultiLine,            "Comments"},
    {"Text11",    kSingle, TextBox,    {},                        8520,  5400,  2175,  285,   50,  0,     kD,     kD, Locked,               "Last Update"},
    {"cmdAdd",    kSingle, CommandButton, "&Add",                 1800,  4920,  855,   495,   11,  0,     kGreen, kD, Plain,                {}},
    {"cmdUpdate", kSingle, CommandButton, "&Update",              2880,  4920,  855,   495,   12,  0,     kGreen, kD, Plain,                {}},
    {"cmdDelete", kSingle, CommandButton, "&Delete",              3960,  4920,  855,   495,   13,  0,     kGreen, kD, Plain,                {}},
    {"cmdSearch", kSingle, CommandButton, "&Search",              5160,  4920,  855,   495,   22,  0,     kGreen, kD, Plain,                {}},
    {"cmdEnd",    kSingle, CommandButton, "&End",                 6480,  4920,  855,   495,   14,  0,     kGreen, kD, Plain,                {}},
}};
// clang-format on

inline constexpr std::array<LineSpec, 2> kLines = {{
    {"Line1", kSingle, 0, 4800, 7560, 4800, 4, kDefaultColour},
    {"Line2", kSingle, 7560, 0, 7560, 6120, 4, kDefaultColour},
}};

// Letter n (A = 0) stands in column n mod 4 and row n div 4 of a grid whose step (480) is one
// pixel less than a button (495), so neighbours overlap by 15 twips.
inline constexpr int kLetterLeft = 8280, kLetterTop = 1200, kLetterStep = 480, kLetterSize = 495;
inline constexpr int kLetterFirstTab = 23;
inline constexpr double kLetterFontPoints = 13.5;

inline constexpr std::array<std::string_view, 26> kLetterNames = {
    "cmdA", "cmdB", "cmdC", "cmdD", "cmdE", "cmdF", "cmdG", "cmdH", "cmdI",
    "cmdJ", "cmdK", "cmdL", "cmdM", "cmdN", "cmdO", "cmdP", "cmdQ", "cmdR",
    "cmdS", "cmdT", "cmdU", "cmdV", "cmdW", "cmdX", "cmdY", "cmdZ"};
inline constexpr std::string_view kLetterCaptions = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

constexpr std::array<ControlSpec, 26> letterButtons() {
    std::array<ControlSpec, 26> buttons{};
    for (int n = 0; n < 26; ++n) {
        buttons[size_t(n)] = {kLetterNames[size_t(n)],
                              kSingle,
                              CommandButton,
                              kLetterCaptions.substr(size_t(n), 1),
                              kLetterLeft + kLetterStep * (n % 4),
                              kLetterTop + kLetterStep * (n / 4),
                              kLetterSize,
                              kLetterSize,
                              kLetterFirstTab + n,
                              kLetterFontPoints,
                              kD,
                              kD,
                              Plain,
                              {}};
    }
    return buttons;
}
inline constexpr std::array<ControlSpec, 26> kLetterButtons = letterButtons();

// The whole table, fixed controls first, so one tab sequence runs through all of them.
inline constexpr std::array<ControlSpec, 52> kControls = [] {
    std::array<ControlSpec, 52> all{};
    for (size_t i = 0; i < kFixedControls.size(); ++i)
        all[i] = kFixedControls[i];
    for (size_t i = 0; i < kLetterButtons.size(); ++i)
        all[kFixedControls.size() + i] = kLetterButtons[i];
    return all;
}();

} // namespace rolvane::ui::addy
