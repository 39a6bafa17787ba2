// SPDX-License-Identifier: GPL-3.0-or-later
// bench_save_wait --books=DIR --sizes=N,... --work=DIR: how long a save waits while the sync runs.
// A copy of the book of N contacts is linked to the tests' model server (in memory, so the sync's
// own work is all there is) and synced for the first time on a thread: every contact is named,
// recorded and sent. Meanwhile the main thread saves one contact every 5 ms, as the window would,
// through a connection of its own that waits for the write lock. The time is the longest wait;
// the counters give the 99th percentile and how many saves were made.
#include "bench_options.h"
#include "carddav/sync_engine.h"
#include "carddav/sync_store.h"
#include "data/sqlite_db.h"
#include "support/model_server.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

using namespace rolvane;
using namespace rolvane::bench;

namespace {

const QUrl kBook(QStringLiteral("http://127.0.0.1:5232/bench/book/"));

std::string linkedCopy(const BenchOptions& options, long size) {
    namespace fs = std::filesystem;
    fs::create_directories(options.work);
    const fs::path copy = fs::path(options.work) / ("save-wait-" + std::to_string(size) + ".mdb");
    for (const char* end : {"", "-wal", "-shm", ".sync-lock"})
        fs::remove(copy.string() + end);
    fs::copy_file(cachedBook(options, size), copy);
    carddav::SyncStore store;
    carddav::Link link;
    link.url = kBook.toString();
    if (!store.open(QString::fromStdString(copy.string())).ok() || !store.addLink(link).ok())
        std::fprintf(stderr, "bench_save_wait: could not link %s\n", copy.string().c_str());
    return copy.string();
}

void saveWait(benchmark::State& state, BenchOptions options, long size) {
    for (auto _ : state) {
        state.PauseTiming();
        const std::string path = linkedCopy(options, size);
        state.ResumeTiming();
        std::atomic<bool> done = false;
        std::string stop;
        std::thread sync([&] {
            test::ModelServer server(1, kBook, {}, {});
            carddav::SyncStore store;
            std::optional<carddav::Link> link;
            if (store.open(QString::fromStdString(path)).ok() && store.link(link).ok() && link) {
                carddav::HttpClient client(kBook, {}, {});
                client.setTransport(server.transport());
                stop = carddav::runSync(store, client, *link, {}).stop.words().toStdString();
            } else {
                stop = "the book could not be opened";
            }
            done = true;
        });
        sqlite::Connection window;
        window.open(QString::fromStdString(path));
        // As the window's: its saves leave the log's checkpoint to a connection of its own.
        window.exec("pragma wal_autocheckpoint = 0");
        sqlite::Statement save;
        save.prepare(window, QStringLiteral("update Rolvane set Comments = ? where rowid = ?"));
        std::vector<double> waits;
        int failed = 0; // given up on after the window's own wait, as a save in it would be
        for (int i = 0; !done; ++i) {
            const auto start = std::chrono::steady_clock::now();
            save.reset();
            save.bindText(1, QStringLiteral("saved %1").arg(i));
            save.bindInt64(2, 1 + i % 100);
            if (save.step() != SQLITE_DONE)
                ++failed;
            waits.push_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        sync.join();
        if (!stop.empty() || waits.empty()) {
            state.SkipWithError(stop.empty() ? "the sync ended before a save" : stop.c_str());
            break;
        }
        std::sort(waits.begin(), waits.end());
        state.SetIterationTime(waits.back());
        state.counters["p99_seconds"] = waits[waits.size() * 99 / 100];
        state.counters["saves"] = double(waits.size());
        state.counters["failed"] = failed;
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const BenchOptions options = takeOptions(argc, argv);
    if (options.books.empty() || options.sizes.empty() || options.work.empty()) {
        std::fprintf(stderr, "usage: bench_save_wait --books=DIR --sizes=N[,N...] --work=DIR "
                             "[--benchmark_...]\n");
        return 2;
    }
    if (!booksPresent(options) || !initializeBenchmark(argc, argv))
        return 2;
    for (long size : options.sizes)
        benchmark::RegisterBenchmark(("SaveDuringSync/ours/" + std::to_string(size)).c_str(),
                                     saveWait, options, size)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
