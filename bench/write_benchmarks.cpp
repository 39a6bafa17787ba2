// SPDX-License-Identifier: GPL-3.0-or-later
// Both work on the first contact of the work copy and put it back exactly as it was after every
// iteration (untimed), so each iteration and each later benchmark sees the same book. The contact
// goes back through a connection of its own on both sides: a connection's page cache is dropped
// when another one writes, so restoring through the floor's own connection would leave only the
// floor's cache warm.
#include "write_benchmarks.h"

#include "bare_sqlite.h"
#include "bound_source.h"
#include "data/query_texts.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <optional>

namespace rolvane::bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kLastUpdate = 10;
constexpr char kStamp[] = "12/31/2025";

// The first contact of the initial query, with its rowid.
std::optional<bare::SavedRow> firstContact(sqlite3* db) {
    return bare::saveFirstRow(db, "select rowid, * from Rolvane" + std::string(bare::kByLastName) +
                                      " limit 1");
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Our side's set-up: the first contact saved through a connection of its own, which puts it back,
// then a record source on the initial query.
struct OursOnFirstContact {
    explicit OursOnFirstContact(const std::string& path)
        : restorer(bare::open(path)), original(firstContact(restorer.get())), bound(path) {}
    // False, with the benchmark skipped, when either read fails.
    bool ready(benchmark::State& state) {
        if (original && bound.showInitial())
            return true;
        state.SkipWithError("cannot read the first contact");
        return false;
    }

    bare::Db restorer;
    std::optional<bare::SavedRow> original;
    BoundSource bound;
};

// Update: stamp the date, SaveRecord, Refresh, MoveFirst.
void updateOurs(benchmark::State& state, std::string path) {
    OursOnFirstContact ours(path);
    if (!ours.ready(state))
        return;
    BoundSource& bound = ours.bound;
    RecordSource& rs = bound.source();
    for (auto _ : state) {
        const auto start = Clock::now();
        bound.field(kLastUpdate).type(QString::fromLatin1(kStamp)); // as Update stamps it
        const bool ok = rs.SaveRecord() && rs.Refresh() && rs.Recordset().MoveFirst();
        state.SetIterationTime(seconds(Clock::now() - start));
        if (!ok) {
            state.SkipWithError(bound.failure().c_str());
            break;
        }
    }
    bare::updateRow(ours.restorer.get(), *ours.original);
}

void updateFloor(benchmark::State& state, std::string path) {
    bare::Db db = bare::open(path);
    const auto original = firstContact(db.get());
    if (!original) {
        state.SkipWithError("cannot read the first contact");
        return;
    }
    bare::SavedRow stamped = *original;
    stamped.values[kLastUpdate] = kStamp;
    for (auto _ : state) {
        const auto start = Clock::now();
        const bool ok = bare::updateRow(db.get(), stamped);
        benchmark::DoNotOptimize(bare::firstRow(db.get(), bare::kInitialSql));
        state.SetIterationTime(seconds(Clock::now() - start));
        if (!ok) {
            state.SkipWithError(sqlite3_errmsg(db.get()));
            break;
        }
    }
    bare::updateRow(db.get(), *original);
}

// Delete: Delete, Refresh; the contact goes back untimed.
void deleteOurs(benchmark::State& state, std::string path) {
    OursOnFirstContact ours(path);
    if (!ours.ready(state))
        return;
    BoundSource& bound = ours.bound;
    RecordSource& rs = bound.source();
    for (auto _ : state) {
        const auto start = Clock::now();
        const bool ok = rs.Recordset().Delete() && rs.Refresh();
        state.SetIterationTime(seconds(Clock::now() - start));
        if (!ok || !bare::restoreRow(ours.restorer.get(), *ours.original) || !rs.Refresh()) {
            state.SkipWithError(bound.failure().empty() ? sqlite3_errmsg(ours.restorer.get())
                                                        : bound.failure().c_str());
            break;
        }
    }
}

void deleteFloor(benchmark::State& state, std::string path) {
    bare::Db db = bare::open(path);
    bare::Db restorer = bare::open(path);
    const auto original = firstContact(restorer.get());
    if (!original) {
        state.SkipWithError("cannot read the first contact");
        return;
    }
    for (auto _ : state) {
        const auto start = Clock::now();
        bare::Stmt remove = bare::prepare(db.get(), "delete from [Rolvane] where rowid = ?");
        sqlite3_bind_int64(remove.get(), 1, original->rowid);
        const bool ok = sqlite3_step(remove.get()) == SQLITE_DONE;
        remove.reset();
        benchmark::DoNotOptimize(bare::firstRow(db.get(), bare::kInitialSql));
        state.SetIterationTime(seconds(Clock::now() - start));
        if (!ok || !bare::restoreRow(restorer.get(), *original)) {
            state.SkipWithError(sqlite3_errmsg(ok ? restorer.get() : db.get()));
            break;
        }
    }
}

} // namespace

void registerWriteBenchmarks(const BenchOptions& options) {
    for (long size : options.sizes) {
        const std::string path = workBook(options, size);
        const auto add = [&](const char* name, auto function) {
            benchmark::RegisterBenchmark((std::string(name) + "/" + std::to_string(size)).c_str(),
                                         function, path)
                ->UseManualTime()
                ->Unit(benchmark::kMicrosecond);
        };
        add("Update/ours", updateOurs);
        add("Update/floor", updateFloor);
        add("Delete/ours", deleteOurs);
        add("Delete/floor", deleteFloor);
    }
}

} // namespace rolvane::bench
