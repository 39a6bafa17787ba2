// SPDX-License-Identifier: GPL-3.0-or-later
// Layout tables and the builder that turns them into widgets. Every position and size is in
// twips, as the tables are written; colours are 0x00BBGGRR values.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <span>
#include <string_view>

namespace rolvane::ui {

enum class ControlKind {
    Label,
    TextBox,
    CommandButton,
    PictureBox,
    ProgressBar,
    CheckBox,
    ListBox
};

enum ControlStyle : unsigned {
    Plain = 0,
    AlignRight = 1 << 0,    // labels
    WordWrap = 1 << 1,      // labels
    MultiLine = 1 << 2,     // text boxes: wraps at its width, vertical scroll bar
    Locked = 1 << 3,        // text boxes: focusable, but the user cannot change the text
    DefaultButton = 1 << 4, // buttons: Enter presses it
    CancelButton = 1 << 5,  // buttons: Esc presses it
    Password = 1 << 6,      // text boxes: what is typed shows as dots
};

inline constexpr std::int64_t kDefaultColour = -1;
inline constexpr int kNoTabStop = -1;
inline constexpr int kSingle = -1; // not a member of a control array

struct ControlSpec {
    std::string_view name; // objectName; members of a control array share it
    int index;             // member index in its control array, or kSingle
    ControlKind kind;
    std::string_view caption; // picture boxes: the resource path of the picture
    int left, top, width, height;
    int tabIndex;
    double fontPoints; // 0: the window's default font
    std::int64_t backColour;
    std::int64_t foreColour;
    unsigned style;
    std::string_view dataField; // text boxes bound to a column
};

struct LineSpec {
    std::string_view name;
    int index;
    int x1, y1, x2, y2;  // twips
    int thickness;       // pixels
    std::int64_t colour; // kDefaultColour: the platform's line colour
};

// Creates the controls as children of `client` in table order, then chains the focusable ones by
// tab index.
void buildControls(QWidget* client, std::span<const ControlSpec> controls,
                   std::span<const LineSpec> lines = {});

// The members of a control array, in ascending order of index.
QList<QWidget*> controlArray(const QWidget* parent, const QString& name);

// Fixed single border: title bar, system menu and close button; no resizing, minimize or
// maximize. A dialog stays a dialog. The caller fixes the size.
void setFixedBorder(QWidget* window);
void setBackground(QWidget* widget, std::int64_t bgr);
void centreOnScreen(QWidget* window);

} // namespace rolvane::ui
