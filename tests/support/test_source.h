// SPDX-License-Identifier: GPL-3.0-or-later
// The screenless record source of the tests, with what it told in the words the windows show.
#pragma once

#include "support/screenless_source.h"
#include "ui/common/source_words.h"

namespace rolvane::test {

struct Source : ScreenlessSource {
    using ScreenlessSource::ScreenlessSource;
    // Everything the record source has had to tell so far.
    QStringList& messages() {
        told << ui::describe(rs.takeNotices());
        return told;
    }
    QStringList told;
};

} // namespace rolvane::test
