// SPDX-License-Identifier: GPL-3.0-or-later
// bench_record_source --books=DIR --sizes=N,N,... --work=DIR [Google Benchmark flags]
#include "bench_options.h"
#include "read_benchmarks.h"
#include "write_benchmarks.h"

#include <benchmark/benchmark.h>
#include <cstdio>

int main(int argc, char* argv[]) {
    const rolvane::bench::BenchOptions options = rolvane::bench::takeOptions(argc, argv);
    if (options.books.empty() || options.sizes.empty() || options.work.empty()) {
        std::fprintf(stderr, "usage: bench_record_source --books=DIR --sizes=N[,N...] "
                             "--work=DIR [--benchmark_...]\n");
        return 2;
    }
    if (!rolvane::bench::booksPresent(options))
        return 1;
    if (!rolvane::bench::initializeBenchmark(argc, argv))
        return 2;
    rolvane::bench::registerReadBenchmarks(options);
    rolvane::bench::registerWriteBenchmarks(options);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
