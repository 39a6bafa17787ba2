// SPDX-License-Identifier: GPL-3.0-or-later
// bench_exchange --books=DIR --sizes=N,N,... --work=DIR --tool=PATH [Google Benchmark flags]
#include "bench_options.h"
#include "exchange_benchmarks.h"

#include <benchmark/benchmark.h>
#include <cstdio>

int main(int argc, char* argv[]) {
    const rolvane::bench::BenchOptions options = rolvane::bench::takeOptions(argc, argv, {"tool"});
    const auto tool = options.other.find("tool");
    if (options.books.empty() || options.sizes.empty() || options.work.empty() ||
        tool == options.other.end()) {
        std::fprintf(stderr, "usage: bench_exchange --books=DIR --sizes=N[,N...] --work=DIR "
                             "--tool=PATH [--benchmark_...]\n");
        return 2;
    }
    if (!rolvane::bench::booksPresent(options))
        return 1;
    if (!rolvane::bench::initializeBenchmark(argc, argv))
        return 2;
    rolvane::bench::registerExchangeBenchmarks(options, tool->second);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
