// SPDX-License-Identifier: GPL-3.0-or-later
// The table's names and query texts are UTF-8 constants; Qt wants them as QString.
#pragma once

#include <QString>
#include <string_view>

namespace rolvane {

inline QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace rolvane
