// SPDX-License-Identifier: GPL-3.0-or-later
// bench_report FILE.json...: the table of every operation beside its floor and target. Exits 1
// when a row misses its target, 2 when a file cannot be read, 3 when a benchmark failed to run.
#include "bench_results.h"
#include "targets.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>
#include <algorithm>
#include <set>

using namespace rolvane::bench;

namespace {

QString formatValue(double value, Target::Metric metric) {
    if (metric == Target::Metric::Memory)
        return QStringLiteral("%1 MB").arg(value, 0, 'f', 1);
    if (value < 1e-3)
        return QStringLiteral("%1 us").arg(value * 1e6, 0, 'f', value < 1e-5 ? 2 : 1);
    if (value < 1)
        return QStringLiteral("%1 ms").arg(value * 1e3, 0, 'f', value < 1e-2 ? 2 : 1);
    return QStringLiteral("%1 s").arg(value, 0, 'f', 2);
}

QString formatSize(long size) {
    int exponent = 0;
    long rest = size;
    while (rest >= 10 && rest % 10 == 0) {
        rest /= 10;
        ++exponent;
    }
    return rest == 1 && exponent > 0 ? QStringLiteral("1e%1").arg(exponent) : QString::number(size);
}

std::optional<double> measure(const BenchResults& results, const QString& name,
                              Target::Metric metric) {
    switch (metric) {
    case Target::Metric::Time:
        return results.seconds(name);
    case Target::Metric::MedianMove:
        if (const auto us = results.counter(name, QStringLiteral("median_us")))
            return *us * 1e-6;
        return std::nullopt;
    case Target::Metric::Memory:
        return results.counter(name, QStringLiteral("rss_delta_mb"));
    }
    return std::nullopt;
}

QString describeTarget(const Target& t) {
    switch (t.limit) {
    case Target::Limit::RatioToFloor:
        return QStringLiteral("<= %1x floor").arg(t.bound);
    case Target::Limit::AtMost:
        return QStringLiteral("<= %1").arg(formatValue(t.bound, t.metric));
    case Target::Limit::FlatAcrossSizes:
        return QStringLiteral("<= %1x (flat)").arg(t.bound);
    }
    return {};
}

struct Row {
    QStringList cells;
    bool failed = false; // a target missed
    bool broken = false; // no measurement at all
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    BenchResults results;
    std::set<long> sizes;
    for (const QString& path : application.arguments().mid(1)) {
        QString error;
        if (!results.load(path, error)) {
            QTextStream(stderr) << "bench_report: " << error << "\n";
            return 2;
        }
    }
    for (long size : {1000L, 10000L, 100000L, 1000000L})
        sizes.insert(size);

    std::vector<Row> rows;
    for (const Target& t : targets()) {
        for (long size : sizes) {
            const QString ours = QStringLiteral("%1/ours/%2").arg(t.run).arg(size);
            // Flat across sizes: against the smallest size the run was measured at.
            long smallest = 1000;
            for (long s : sizes) {
                if (results.has(QStringLiteral("%1/ours/%2").arg(t.run).arg(s))) {
                    smallest = s;
                    break;
                }
            }
            const QString floor = t.limit == Target::Limit::FlatAcrossSizes
                                      ? QStringLiteral("%1/ours/%2").arg(t.run).arg(smallest)
                                      : QStringLiteral("%1/floor/%2").arg(t.run).arg(size);
            if (t.limit == Target::Limit::FlatAcrossSizes &&
                (size != t.onlyAt || !results.has(ours)))
                continue;
            if (!results.has(ours) && !results.has(floor))
                continue;
            Row row;
            const auto a = measure(results, ours, t.metric);
            // A run that measured its floor in turns with itself carries it, and the median of
            // the ratios of each pair, which is steadier than the ratio of the medians.
            const bool paired = t.metric == Target::Metric::Time;
            const auto pairedFloor =
                paired ? results.counter(ours, QStringLiteral("floor_seconds")) : std::nullopt;
            const auto pairedRatio =
                paired ? results.counter(ours, QStringLiteral("ratio")) : std::nullopt;
            const auto b = pairedFloor ? pairedFloor : measure(results, floor, t.metric);
            const bool held = t.onlyAt == 0 || t.onlyAt == size;
            row.cells << t.operation << formatSize(size)
                      << (a ? formatValue(*a, t.metric) : QStringLiteral("-"))
                      << (b ? formatValue(*b, t.metric) : QStringLiteral("-"));
            const bool ratioed = t.limit != Target::Limit::AtMost;
            // A limit of its own has no ratio to show: the floor is there for comparison.
            const bool hasRatio = ratioed && a && b && *b > 0;
            const double ratio = !hasRatio ? 0.0 : pairedRatio ? *pairedRatio : *a / *b;
            row.cells << (hasRatio ? QStringLiteral("%1x").arg(ratio, 0, 'f', 2)
                                   : QStringLiteral("-"));
            row.cells << (held ? describeTarget(t)
                               : QStringLiteral("(at %1)").arg(formatSize(t.onlyAt)));
            QString verdict;
            if (!a || (ratioed && !hasRatio)) {
                const QString why =
                    results.error(ours).isEmpty() ? results.error(floor) : results.error(ours);
                verdict =
                    why.isEmpty() ? QStringLiteral("missing") : QStringLiteral("error: ") + why;
                row.broken = true;
            } else if (!held) {
                verdict = QStringLiteral("info");
            } else {
                const bool pass = ratioed ? ratio <= t.bound : *a <= t.bound;
                verdict = pass ? QStringLiteral("pass") : QStringLiteral("FAIL");
                row.failed = !pass;
            }
            row.cells << verdict;
            rows.push_back(row);
        }
    }

    const QStringList header = {QStringLiteral("operation"), QStringLiteral("size"),
                                QStringLiteral("ours"),      QStringLiteral("floor"),
                                QStringLiteral("ratio"),     QStringLiteral("target"),
                                QStringLiteral("result")};
    std::vector<qsizetype> widths(std::size_t(header.size()));
    for (qsizetype i = 0; i < header.size(); ++i)
        widths[std::size_t(i)] = header[i].size();
    for (const Row& row : rows) {
        for (qsizetype i = 0; i < row.cells.size(); ++i)
            widths[std::size_t(i)] = std::max(widths[std::size_t(i)], row.cells[i].size());
    }
    const auto print = [&](const QStringList& cells) {
        QStringList padded;
        for (qsizetype i = 0; i < cells.size(); ++i)
            padded << (i >= 2 && i <= 4 ? cells[i].rightJustified(widths[std::size_t(i)])
                                        : cells[i].leftJustified(widths[std::size_t(i)]));
        out << "| " << padded.join(QStringLiteral(" | ")) << " |\n";
    };
    print(header);
    QStringList rule;
    for (qsizetype width : widths)
        rule << QString(width, QLatin1Char('-'));
    out << "|-" << rule.join(QStringLiteral("-|-")) << "-|\n";
    for (const Row& row : rows)
        print(row.cells);

    const auto failed =
        std::count_if(rows.begin(), rows.end(), [](const Row& r) { return r.failed; });
    const auto broken =
        std::count_if(rows.begin(), rows.end(), [](const Row& r) { return r.broken; });
    if (rows.empty()) {
        out << "no results\n";
        return 3;
    }
    if (broken)
        out << QStringLiteral("%1 row(s) not measured\n").arg(broken);
    out << (failed ? QStringLiteral("%1 row(s) miss their target\n").arg(failed)
                   : QStringLiteral("every measured row within its target\n"));
    return broken ? 3 : failed ? 1 : 0;
}
