// SPDX-License-Identifier: GPL-3.0-or-later
// bench_startup --program=Rolvane --bare=bench_bare_window --books=DIR --sizes=N,... --work=DIR
// Run under Xvfb. Each launch is one repetition; the program finds its book through HOME.
#include "bench_options.h"
#include "carddav/sync_store.h"
#include "first_paint.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>

using namespace rolvane::bench;

namespace {

// Where the main window's client area shows its green background with nothing on it, counted
// from the window's bottom-left corner.
constexpr int kProgramProbeX = 8;
constexpr int kProgramProbeY = -6;

// Each repetition starts both programs, in turns, so a busy moment of the machine weighs on both
// alike; the time is the program's, the bare window's goes beside it with their ratio.
void launchPair(benchmark::State& state, FirstPaintTimer* timer, Launch ours, Launch floor) {
    static unsigned turn = 0;
    for (auto _ : state) {
        std::string error;
        std::optional<double> oursSeconds, floorSeconds;
        if (turn++ % 2 == 0) {
            oursSeconds = timer->time(ours, error);
            floorSeconds = timer->time(floor, error);
        } else {
            floorSeconds = timer->time(floor, error);
            oursSeconds = timer->time(ours, error);
        }
        if (!oursSeconds || !floorSeconds) {
            state.SkipWithError(error.c_str());
            break;
        }
        state.SetIterationTime(*oursSeconds);
        state.counters["floor_seconds"] = *floorSeconds;
        state.counters["ratio"] = *oursSeconds / *floorSeconds;
    }
}

// A home folder whose fixed address book is a copy of the cached book of `size` contacts;
// `linked`: linked to a server as the sync links it (nothing is synced: no server answers).
std::string homeWithBook(const BenchOptions& options, long size, bool linked) {
    namespace fs = std::filesystem;
    const fs::path home =
        fs::path(options.work) / ((linked ? "linked-home-" : "home-") + std::to_string(size));
    const fs::path folder = home / ".local/share/Rolvane/Address Book";
    fs::remove_all(home);
    fs::create_directories(folder);
    fs::copy_file(cachedBook(options, size), folder / "addy.mdb");
    if (linked) {
        rolvane::carddav::SyncStore store;
        rolvane::carddav::Link link;
        link.url = QStringLiteral("https://dav.invalid/ann/book/");
        link.name = QStringLiteral("Contacts");
        if (!store.open(QString::fromStdString((folder / "addy.mdb").string())).ok() ||
            !store.addLink(link).ok())
            std::fprintf(stderr, "bench_startup: could not link the book of %ld\n", size);
    }
    return home.string();
}

} // namespace

int main(int argc, char* argv[]) {
    const BenchOptions options = takeOptions(argc, argv, {"program", "bare"});
    const std::string program = options.other.count("program") ? options.other.at("program") : "";
    const std::string bare = options.other.count("bare") ? options.other.at("bare") : "";
    if (program.empty() || bare.empty() || options.books.empty() || options.sizes.empty() ||
        options.work.empty()) {
        std::fprintf(stderr, "usage: bench_startup --program=PATH --bare=PATH --books=DIR "
                             "--sizes=N[,N...] --work=DIR [--benchmark_...]\n");
        return 2;
    }
    if (!initializeBenchmark(argc, argv))
        return 2;
    FirstPaintTimer timer;
    if (!timer.connected()) {
        std::fprintf(stderr, "bench_startup: no X display (run it under xvfb-run)\n");
        return 1;
    }

    // A linked book at the largest size too: the window reads the link and schedules its
    // syncs, whose code runs in a child process only later.
    for (std::size_t i = 0; i <= options.sizes.size(); ++i) {
        const bool linked = i == options.sizes.size();
        const long size = options.sizes[linked ? i - 1 : i];
        const std::string home = "HOME=" + homeWithBook(options, size, linked);
        const Launch ours{program, {home, "QT_QPA_PLATFORM=xcb"}, kProgramProbeX, kProgramProbeY};
        const Launch floor{bare, {home, "QT_QPA_PLATFORM=xcb"}, 361, 215};
        // Once each untimed, so every timed launch finds the files in the page cache.
        std::string ignored;
        timer.time(ours, ignored);
        timer.time(floor, ignored);
        const std::string name =
            (linked ? "StartupLinked/ours/" : "Startup/ours/") + std::to_string(size);
        benchmark::RegisterBenchmark(name.c_str(), launchPair, &timer, ours, floor)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
