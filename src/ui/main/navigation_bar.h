// SPDX-License-Identifier: GPL-3.0-or-later
// The record source's bar: first and previous at its left end, next and last at its right end,
// an empty caption area between. It takes no tab stop.
#pragma once

#include <QFrame>

namespace rolvane {
class RecordSource;
}

namespace rolvane::ui {

class NavigationBar : public QFrame {
    Q_OBJECT
public:
    NavigationBar(RecordSource& source, QWidget* parent);
};

} // namespace rolvane::ui
