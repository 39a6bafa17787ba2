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

// A stamp unlike the one before, as Update on another day writes: a round that stamped the same
// text again would find nothing edited and write nothing.
std::string stampOfRound(long round) {
    return std::to_string(round % 12 + 1) + "/" + std::to_string(round / 12 % 28 + 1) + "/" +
           std::to_string(2000 + round / 336);
}

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
    long round = 0;
    for (auto _ : state) {
        const QString stamp = QString::fromStdString(stampOfRound(++round));
        const auto start = Clock::now();
        bound.field(kLastUpdate).type(stamp); // as Update stamps it
        const bool ok = rs.SaveRecord() && rs.Refresh() && rs.Recordset().MoveFirst();
        state.SetIterationTime(seconds(Clock::now() - start));
        if (!ok || bound.field(kLastUpdate).text() != stamp) {
            state.SkipWithError(ok ? "the stamp was not stored" : bound.failure().c_str());
            break;
        }
    }
    bare::updateRow(ours.restorer.get(), *ours.original);
}

// The program's save: the stamp's column alone, while the row holds what was read, through a
// statement prepared once; then the initial query's first row, prepared each time as Refresh does.
void updateFloor(benchmark::State& state, std::string path) {
    bare::Db db = bare::open(path);
    const auto original = firstContact(db.get());
    if (!original) {
        state.SkipWithError("cannot read the first contact");
        return;
    }
    bare::SavedRow shown = *original;
    const bare::Stmt update =
        bare::prepare(db.get(), "update [Rolvane] set [Last Update] = ? where rowid = ?" +
                                    bare::unchangedCondition());
    long round = 0;
    for (auto _ : state) {
        const std::string stamp = stampOfRound(++round);
        const auto start = Clock::now();
        sqlite3_bind_text(update.get(), 1, stamp.data(), int(stamp.size()), SQLITE_STATIC);
        sqlite3_bind_int64(update.get(), 2, shown.rowid);
        bare::bindUnchanged(update.get(), 3, shown);
        const bool ok = sqlite3_step(update.get()) == SQLITE_DONE && sqlite3_changes(db.get()) == 1;
        sqlite3_reset(update.get());
        benchmark::DoNotOptimize(bare::firstRow(db.get(), bare::kInitialSql));
        state.SetIterationTime(seconds(Clock::now() - start));
        if (!ok) {
            state.SkipWithError(sqlite3_errmsg(db.get()));
            break;
        }
        shown.values[kLastUpdate] = stamp;
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

// The program's delete: while the row holds what was read, through a statement prepared once;
// then the initial query's first row, prepared each time as Refresh does.
void deleteFloor(benchmark::State& state, std::string path) {
    bare::Db db = bare::open(path);
    bare::Db restorer = bare::open(path);
    const auto original = firstContact(restorer.get());
    if (!original) {
        state.SkipWithError("cannot read the first contact");
        return;
    }
    const bare::Stmt remove = bare::prepare(db.get(), "delete from [Rolvane] where rowid = ?" +
                                                          bare::unchangedCondition());
    for (auto _ : state) {
        const auto start = Clock::now();
        sqlite3_bind_int64(remove.get(), 1, original->rowid);
        bare::bindUnchanged(remove.get(), 2, *original);
        const bool ok = sqlite3_step(remove.get()) == SQLITE_DONE && sqlite3_changes(db.get()) == 1;
        sqlite3_reset(remove.get());
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
