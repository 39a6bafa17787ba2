// SPDX-License-Identifier: GPL-3.0-or-later
// The plain words for what the record source tells: every window that drives it shows these.
#pragma once

#include "data/source_notice.h"

#include <QStringList>
#include <vector>

namespace rolvane::ui {

// Why, as the end of a sentence: "the disk that holds ... is full."
QString describe(const BookProblem& problem);
// One message for one notice.
QString describe(const SourceNotice& notice);
QStringList describe(const std::vector<SourceNotice>& notices);

} // namespace rolvane::ui
