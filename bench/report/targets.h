// SPDX-License-Identifier: GPL-3.0-or-later
// What each row of the table measures and the target it is held to.
#pragma once

#include <QString>
#include <vector>

namespace rolvane::bench {

struct Target {
    enum class Metric { Time, MedianMove, Memory };
    enum class Limit { RatioToFloor, AtMost, FlatAcrossSizes };

    QString operation; // as the table shows it
    QString run;       // the benchmark's name before "/ours/<size>" and "/floor/<size>"
    Metric metric;
    Limit limit;
    double bound;    // the ratio, or the value in seconds or megabytes
    long onlyAt = 0; // held at this size only; 0: at every size
};

const std::vector<Target>& targets();

} // namespace rolvane::bench
