// bench_record_source --books=DIR --sizes=N,N,... --work=DIR [Google Benchmark flags]
#include "bench_options.h"
#include "read_benchmarks.h"
#include "write_benchmarks.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>

int main(int argc, char* argv[]) {
    const rolvane::bench::BenchOptions options = rolvane::bench::takeOptions(argc, argv);
    if (options.books.empty() || options.sizes.empty() || options.work.empty()) {
        std::fprintf(stderr, "usage: bench_record_source --books=DIR --sizes=N[,N...] "
                             "--work=DIR [--benchmark_...]\n");
        return 2;
    }
    for (long size : options.sizes) {
        if (!std::filesystem::exists(rolvane::bench::cachedBook(options, size))) {
            std::fprintf(stderr, "no book %s\n", rolvane::bench::cachedBook(options, size).c_str());
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    rolvane::bench::registerReadBenchmarks(options);
    rolvane::bench::registerWriteBenchmarks(options);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
