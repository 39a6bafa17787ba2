// SPDX-License-Identifier: GPL-3.0-or-later
// Checks the widgets a window built against the layout table rows they came from. A mismatch is
// a failure of the calling test function, which should return when QTest::currentTestFailed().
#pragma once

#include "ui/common/form_builder.h"

#include <QWidget>
#include <span>

namespace rolvane::test {

// Each row: found under `client` by name (and index), with the row's geometry, tab index, font,
// colours, caption or column, and styles.
void checkControls(const QWidget* client, std::span<const ui::ControlSpec> table);
// Each row: found by name (and index), with the row's end points, thickness and colour.
void checkLines(const QWidget* client, std::span<const ui::LineSpec> table);

} // namespace rolvane::test
