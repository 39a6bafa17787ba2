// SPDX-License-Identifier: GPL-3.0-or-later
// A record source with the main window's eleven fields bound to it, as the program has it: the
// tests' screenless source, with what the benchmarks ask of it.
#pragma once

#include "data/query_texts.h"
#include "data/record_source.h"
#include "data/text_view.h"
#include "support/screenless_source.h"

#include <string>

namespace rolvane::bench {

class BoundSource {
public:
    explicit BoundSource(const std::string& path) : bound_(QString::fromStdString(path)) {}

    RecordSource& source() { return bound_.rs; }
    // Runs the main window's initial query, as the program does when it opens.
    bool showInitial() {
        bound_.rs.setRecordSource(fromView(query::kInitial));
        return bound_.rs.Refresh();
    }
    test::FakeField& field(std::size_t column) { return bound_.field(int(column)); }
    // The last failure the record source reported; empty while all went well.
    const std::string& failure() {
        const std::vector<SourceNotice> notices = bound_.rs.takeNotices();
        if (!notices.empty())
            failure_ = "notice " + std::to_string(int(notices.back().what)) + ", problem " +
                       std::to_string(int(notices.back().problem.kind)) + ": " +
                       notices.back().problem.detail.toStdString();
        return failure_;
    }

private:
    test::ScreenlessSource bound_;
    std::string failure_;
};

} // namespace rolvane::bench
