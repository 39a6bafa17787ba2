// SPDX-License-Identifier: GPL-3.0-or-later
// bench_memory --books=DIR --sizes=N --work=DIR: the resident memory after MoveLast over N
// contacts, less the same process's after MoveLast over an empty book (addy-0.mdb). Run one
// benchmark per process, so nothing an earlier one freed hides in the count.
#include "bare_sqlite.h"
#include "bench_options.h"
#include "bound_source.h"
#include "rss.h"

#include <benchmark/benchmark.h>
#include <cstdio>

using namespace rolvane;
using namespace rolvane::bench;

namespace {

// Both sides hold their result open while the memory is read, as the program does.
void memoryOurs(benchmark::State& state, std::string empty, std::string book) {
    for (auto _ : state) {
        long base = 0;
        {
            BoundSource bound(empty);
            bound.showInitial();
            bound.source().Recordset().MoveLast();
            base = residentKilobytes();
        }
        BoundSource bound(book);
        bound.showInitial();
        bound.source().Recordset().MoveLast();
        state.counters["rss_delta_mb"] = double(residentKilobytes() - base) / 1024.0;
        state.counters["rows"] = double(bound.source().keysRead());
    }
}

// The bare API stepping every key of the same query, keeping none.
void memoryFloor(benchmark::State& state, std::string empty, std::string book) {
    const auto stepAll = [](const std::string& path, auto&& measure) {
        bare::Db db = bare::open(path);
        bare::Stmt keyset =
            bare::prepare(db.get(), "select rowid from Rolvane" + std::string(bare::kByLastName));
        std::size_t rows = 0;
        while (sqlite3_step(keyset.get()) == SQLITE_ROW)
            ++rows;
        measure(rows);
    };
    for (auto _ : state) {
        long base = 0;
        stepAll(empty, [&](std::size_t) { base = residentKilobytes(); });
        stepAll(book, [&](std::size_t rows) {
            state.counters["rss_delta_mb"] = double(residentKilobytes() - base) / 1024.0;
            state.counters["rows"] = double(rows);
        });
    }
}

} // namespace

int main(int argc, char* argv[]) {
    const BenchOptions options = takeOptions(argc, argv);
    if (options.books.empty() || options.sizes.empty() || options.work.empty()) {
        std::fprintf(stderr, "usage: bench_memory --books=DIR --sizes=N[,N...] --work=DIR "
                             "[--benchmark_...]\n");
        return 2;
    }
    if (!initializeBenchmark(argc, argv))
        return 2;
    const std::string empty = workBook(options, 0);
    for (long size : options.sizes) {
        const std::string book = workBook(options, size);
        for (const auto& [variant, function] :
             {std::pair{"ours/", &memoryOurs}, std::pair{"floor/", &memoryFloor}}) {
            std::string name = "Memory/";
            name.append(variant).append(std::to_string(size));
            benchmark::RegisterBenchmark(name.c_str(), function, empty, book)->Iterations(1);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
