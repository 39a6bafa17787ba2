// bench_exchange --books=DIR --sizes=N,N,... --work=DIR --tool=PATH [Google Benchmark flags]
#include "bench_options.h"
#include "exchange_benchmarks.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>

int main(int argc, char* argv[]) {
    const rolvane::bench::BenchOptions options = rolvane::bench::takeOptions(argc, argv, {"tool"});
    const auto tool = options.other.find("tool");
    if (options.books.empty() || options.sizes.empty() || options.work.empty() ||
        tool == options.other.end()) {
        std::fprintf(stderr, "usage: bench_exchange --books=DIR --sizes=N[,N...] --work=DIR "
                             "--tool=PATH [--benchmark_...]\n");
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
    rolvane::bench::registerExchangeBenchmarks(options, tool->second);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
