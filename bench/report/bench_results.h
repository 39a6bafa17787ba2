// SPDX-License-Identifier: GPL-3.0-or-later
// The results of the benchmark programs, read from their JSON output, by run name
// ("Open/ours/1000"); with repetitions, the median of them.
#pragma once

#include <QHash>
#include <QString>
#include <optional>

namespace rolvane::bench {

class BenchResults {
public:
    // Adds the runs in one JSON file; false, with `error` set, if it cannot be read.
    bool load(const QString& path, QString& error);

    bool has(const QString& name) const { return runs_.contains(name); }
    // The run's time in seconds, or its counter as reported.
    std::optional<double> seconds(const QString& name) const;
    std::optional<double> counter(const QString& name, const QString& counter) const;
    // Why the run failed; empty when it did not.
    QString error(const QString& name) const;

private:
    struct Run {
        double seconds = 0;
        QHash<QString, double> counters;
        QString error;
        bool median = false;
    };
    QHash<QString, Run> runs_;
};

} // namespace rolvane::bench
