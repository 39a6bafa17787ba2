// Each iteration runs the tool as a child process and then its floor in this process, in turns,
// so both see the same load on a shared machine; the run reports the median of the pairs' ratios.
// The import floor inserts the rows of the cached book into a new book with one prepared statement
// in one transaction, with the same page cache and journal the tool's import uses; the
// export floor steps the rows in last-name order and writes their bytes to a file. The child's
// peak resident memory (from wait4) shows whether the tool's memory stays flat in the number of
// contacts.
#include "exchange_benchmarks.h"

#include "data/address_book_file.h"
#include "data/sqlite_db.h"

#include <QString>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace rolvane::bench {

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr const char* kColumns = "[First Name], [Last Name], Ph1, Ph2, Ph3, Email, Bus, Fax, "
                                 "Addy, Comments, [Last Update]";

struct Child {
    bool ok = false;
    double seconds = 0;
    double peakMegabytes = 0;
};

// Runs the tool with its output thrown away; times it and reads its peak memory.
Child runTool(const std::string& tool, std::vector<std::string> args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(tool.c_str()));
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        execv(tool.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return {};
    Child child;
    child.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    child.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    child.peakMegabytes = double(usage.ru_maxrss) / 1024.0;
    return child;
}

void removeBook(const std::string& path) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        fs::remove(path + suffix);
}

double importFloor(const std::string& source, const std::string& target) {
    removeBook(target);
    const auto start = Clock::now();
    if (!createAddressBook(QString::fromStdString(target)).isEmpty())
        return -1;
    sqlite::Connection from, to;
    if (from.open(QString::fromStdString(source)) != SQLITE_OK ||
        to.open(QString::fromStdString(target)) != SQLITE_OK)
        return -1;
    to.exec("pragma cache_size=-16384; begin immediate");
    sqlite::Statement read, insert;
    read.prepare(from, QStringLiteral("select %1 from Rolvane").arg(QLatin1String(kColumns)));
    insert.prepare(to, QStringLiteral("insert into Rolvane (%1) values (?,?,?,?,?,?,?,?,?,?,?)")
                           .arg(QLatin1String(kColumns)));
    sqlite3_stmt* r = read.get();
    sqlite3_stmt* w = insert.get();
    while (sqlite3_step(r) == SQLITE_ROW) {
        for (int i = 0; i < 11; ++i)
            sqlite3_bind_value(w, i + 1, sqlite3_column_value(r, i));
        if (sqlite3_step(w) != SQLITE_DONE)
            return -1;
        sqlite3_reset(w);
    }
    insert.finalize();
    if (to.exec("commit") != SQLITE_OK)
        return -1;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// In the book's own order, as export writes it: through the collated index on last names.
double exportFloor(const std::string& source, const std::string& file) {
    const auto start = Clock::now();
    sqlite::Connection db;
    if (db.open(QString::fromStdString(source)) != SQLITE_OK)
        return -1;
    sqlite::Statement read;
    read.prepare(db,
                 QStringLiteral("select %1 from Rolvane order by [Last Name] collate rolvane_text")
                     .arg(QLatin1String(kColumns)));
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out)
        return -1;
    std::setvbuf(out, nullptr, _IOFBF, 1 << 20);
    sqlite3_stmt* r = read.get();
    while (sqlite3_step(r) == SQLITE_ROW) {
        for (int i = 0; i < 11; ++i) {
            const void* text = sqlite3_column_text(r, i);
            std::fwrite(text, 1, std::size_t(sqlite3_column_bytes(r, i)), out);
            std::fputc(i == 10 ? '\n' : '\t', out);
        }
    }
    std::fclose(out);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Runs the tool and its floor in turn for every iteration; the tool's time is the benchmark's,
// the medians of the floor and of the paired ratios go beside it.
template <typename Ours, typename Floor>
void measurePaired(benchmark::State& state, const char* failure, Ours ours, Floor floor) {
    std::vector<double> ratios, floors;
    double peak = 0;
    for (auto _ : state) {
        const Child child = ours();
        const double f = floor();
        if (!child.ok || f <= 0) {
            state.SkipWithError(failure);
            break;
        }
        state.SetIterationTime(child.seconds);
        ratios.push_back(child.seconds / f);
        floors.push_back(f);
        peak = std::max(peak, child.peakMegabytes);
    }
    if (ratios.empty())
        return;
    state.counters["ratio"] = median(ratios);
    state.counters["floor_seconds"] = median(floors);
    state.counters["rss_delta_mb"] = peak;
}

void importBenchmark(benchmark::State& state, BenchOptions options, std::string tool, long size,
                     std::string extension) {
    const fs::path work(options.work);
    fs::create_directories(work);
    const std::string book = cachedBook(options, size);
    const std::string file = (work / ("contacts-" + std::to_string(size) + extension)).string();
    if (!fs::exists(file) && !runTool(tool, {"export", file, "--file", book}).ok) {
        state.SkipWithError("could not export the cached book");
        return;
    }
    const std::string ours = (work / "imported.mdb").string();
    const std::string floor = (work / "floor.mdb").string();
    measurePaired(
        state, "the import or its floor failed",
        [&] {
            removeBook(ours);
            return runTool(tool, {"import", file, "--file", ours});
        },
        [&] { return importFloor(book, floor); });
    removeBook(ours);
    removeBook(floor);
}

void exportBenchmark(benchmark::State& state, BenchOptions options, std::string tool, long size,
                     std::string extension) {
    const fs::path work(options.work);
    fs::create_directories(work);
    const std::string book = cachedBook(options, size);
    const std::string ours = (work / ("exported" + extension)).string();
    const std::string floor = (work / "floor.txt").string();
    measurePaired(
        state, "the export or its floor failed",
        [&] {
            return runTool(tool, {"export", ours, "--file", book});
        },
        [&] { return exportFloor(book, floor); });
    fs::remove(ours);
    fs::remove(floor);
}

} // namespace

void registerExchangeBenchmarks(const BenchOptions& options, const std::string& tool) {
    for (long size : options.sizes) {
        // Few, long iterations: a million contacts take seconds.
        const int iterations = size >= 1000000 ? 3 : size >= 100000 ? 5 : 9;
        for (const auto& [name, extension] :
             {std::pair<std::string, std::string>{"VCard", ".vcf"}, {"Csv", ".csv"}}) {
            const std::string suffix = "/ours/" + std::to_string(size);
            benchmark::RegisterBenchmark(("Import" + name + suffix).c_str(), importBenchmark,
                                         options, tool, size, extension)
                ->UseManualTime()
                ->Iterations(iterations)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("Export" + name + suffix).c_str(), exportBenchmark,
                                         options, tool, size, extension)
                ->UseManualTime()
                ->Iterations(iterations)
                ->Unit(benchmark::kMillisecond);
        }
    }
}

} // namespace rolvane::bench
