// SPDX-License-Identifier: GPL-3.0-or-later
// Shows how far an import or export has come, on standard error and only when it is a terminal.
#pragma once

#include <QString>

namespace rolvane::tool {

class ProgressMeter {
public:
    // `verb`: "Importing" or "Exporting".
    explicit ProgressMeter(const char* verb);
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;
    ~ProgressMeter() { clear(); }

    // Takes the progress line away, before other text goes to the terminal; the next update
    // shows it again.
    void clear();

    // `percent` below 0 when the size of the whole is unknown.
    void update(long long done, int percent) {
        if (enabled_ && (done & 1023) == 0 && done >= kQuietBelow)
            show(done, percent);
    }

private:
    static constexpr long long kQuietBelow = 4096;
    void show(long long done, int percent);

    const char* verb_;
    bool enabled_;
    bool shown_ = false;
};

// 1204 as "1,204", the way the summary line writes counts.
QString groupedNumber(long long n);

} // namespace rolvane::tool
