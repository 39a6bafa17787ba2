// SPDX-License-Identifier: GPL-3.0-or-later
// bench_generate --sizes=N,... --work=DIR: `rolvane-db generate N` (the tool's own code, index in
// the book's collation) beside the same contacts written into a book whose index is NOCASE, as
// books were before the collation.
#include "bench_options.h"
#include "data/contact_table.h"
#include "data/text_view.h"
#include "exchange/contact_writer.h"
#include "exchange/new_book.h"
#include "rolvane-db/contact_generator.h"

#include <QStringList>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sqlite3.h>

namespace {

using namespace rolvane;
namespace fs = std::filesystem;

exchange::ContactSource generated(long count) {
    return [count](const auto& add) {
        tool::ContactGenerator generator;
        tool::Contact c;
        for (long i = 0; i < count; ++i) {
            generator.next(c);
            if (QString why = add(c); !why.isEmpty())
                return why;
        }
        return QString();
    };
}

void removeBook(const std::string& path) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        fs::remove(path + suffix);
}

// The first schema: every column and the index in NOCASE.
QString nocaseBook(const std::string& path, long count) {
    QStringList columns;
    for (std::string_view column : kColumnNames)
        columns << QStringLiteral("[%1] TEXT COLLATE NOCASE").arg(fromView(column));
    const QString sql = QStringLiteral("pragma journal_mode=wal; create table [Rolvane] (%1); "
                                       "create index [Rolvane by Last Name] on [Rolvane] "
                                       "([Last Name])")
                            .arg(columns.join(QStringLiteral(", ")));
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        return QStringLiteral("could not create the NOCASE book");
    exchange::ContactWriter writer;
    const QString file = QString::fromStdString(path);
    if (QString why = writer.begin(file); !why.isEmpty())
        return why;
    if (QString why = generated(count)([&writer](const tool::Contact& c) { return writer.add(c); });
        !why.isEmpty())
        return why;
    return writer.commit();
}

// Seconds to make one book, or nothing with `error` set.
std::optional<double> timeBook(const std::string& path, long count, bool ours, QString& error) {
    removeBook(path);
    const auto start = std::chrono::steady_clock::now();
    error = ours ? exchange::makeBook(QString::fromStdString(path), generated(count))
                 : nocaseBook(path, count);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    removeBook(path);
    return error.isEmpty() ? std::optional<double>(seconds) : std::nullopt;
}

// Both books in turns, so a busy moment of the machine weighs on both alike; the time is ours,
// the NOCASE book's goes beside it with their ratio.
void generatePair(benchmark::State& state, std::string folder, long count) {
    static unsigned turn = 0;
    for (auto _ : state) {
        QString error;
        std::optional<double> ours, floor;
        const bool oursFirst = turn++ % 2 == 0;
        for (bool side : {oursFirst, !oursFirst}) {
            if (error.isEmpty())
                (side ? ours : floor) = timeBook(folder + "/book.mdb", count, side, error);
        }
        if (!ours || !floor) {
            state.SkipWithError(error.toStdString().c_str());
            break;
        }
        state.SetIterationTime(*ours);
        state.counters["floor_seconds"] = *floor;
        state.counters["ratio"] = *ours / *floor;
    }
}

} // namespace

int main(int argc, char* argv[]) {
    const bench::BenchOptions options = bench::takeOptions(argc, argv);
    if (options.sizes.empty() || options.work.empty()) {
        std::fprintf(stderr,
                     "usage: bench_generate --sizes=N[,N...] --work=DIR [--benchmark_...]\n");
        return 2;
    }
    fs::create_directories(options.work);
    if (!bench::initializeBenchmark(argc, argv))
        return 2;
    for (long size : options.sizes) {
        const std::string name = "Generate/ours/" + std::to_string(size);
        benchmark::RegisterBenchmark(name.c_str(), generatePair, options.work, size)
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
