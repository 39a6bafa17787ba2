// SPDX-License-Identifier: GPL-3.0-or-later
// Google Benchmark writes one entry per run, or with repetitions one per aggregate; the median
// aggregate wins over a single run of the same name.
#include "bench_results.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace rolvane::bench {

namespace {

double toSeconds(double value, const QString& unit) {
    if (unit == QLatin1String("ns"))
        return value * 1e-9;
    if (unit == QLatin1String("us"))
        return value * 1e-6;
    if (unit == QLatin1String("ms"))
        return value * 1e-3;
    return value;
}

// "MoveLast/ours/1000/manual_time" and "Memory/ours/1000/iterations:1" are known by the name they
// were registered with.
QString registeredName(QString runName) {
    static const QRegularExpression settings(
        QStringLiteral("(/(iterations|repeats|min_time):[^/]*|/manual_time|/real_time)+$"));
    return runName.remove(settings);
}

// Fields every entry has; whatever else is numeric is a counter.
bool isStandardField(const QString& key) {
    static const QStringList fields = {
        QStringLiteral("family_index"), QStringLiteral("per_family_instance_index"),
        QStringLiteral("repetitions"),  QStringLiteral("repetition_index"),
        QStringLiteral("threads"),      QStringLiteral("iterations"),
        QStringLiteral("real_time"),    QStringLiteral("cpu_time")};
    return fields.contains(key);
}

} // namespace

bool BenchResults::load(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1").arg(path);
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (document.isNull()) {
        error = QStringLiteral("%1: %2").arg(path, parseError.errorString());
        return false;
    }
    for (const QJsonValue& value : document.object().value(QLatin1String("benchmarks")).toArray()) {
        const QJsonObject entry = value.toObject();
        const bool aggregate =
            entry.value(QLatin1String("run_type")).toString() == QLatin1String("aggregate");
        if (aggregate &&
            entry.value(QLatin1String("aggregate_name")).toString() != QLatin1String("median"))
            continue;
        const QString name = registeredName(entry.value(QLatin1String("run_name")).toString());
        if (runs_.contains(name) && runs_[name].median && !aggregate)
            continue;
        Run run;
        run.median = aggregate;
        run.seconds = toSeconds(entry.value(QLatin1String("real_time")).toDouble(),
                                entry.value(QLatin1String("time_unit")).toString());
        if (entry.value(QLatin1String("error_occurred")).toBool())
            run.error = entry.value(QLatin1String("error_message")).toString();
        for (auto it = entry.begin(); it != entry.end(); ++it) {
            if (it.value().isDouble() && !isStandardField(it.key()))
                run.counters.insert(it.key(), it.value().toDouble());
        }
        runs_.insert(name, run);
    }
    return true;
}

std::optional<double> BenchResults::seconds(const QString& name) const {
    const auto it = runs_.find(name);
    if (it == runs_.end() || !it->error.isEmpty())
        return std::nullopt;
    return it->seconds;
}

std::optional<double> BenchResults::counter(const QString& name, const QString& counter) const {
    const auto it = runs_.find(name);
    if (it == runs_.end() || !it->error.isEmpty() || !it->counters.contains(counter))
        return std::nullopt;
    return it->counters.value(counter);
}

QString BenchResults::error(const QString& name) const {
    return runs_.value(name).error;
}

} // namespace rolvane::bench
