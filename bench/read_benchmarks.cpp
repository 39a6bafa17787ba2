// SPDX-License-Identifier: GPL-3.0-or-later
// Each operation is registered as "<operation>/ours/<size>" beside "<operation>/floor/<size>", so
// both run in the same process, one after the other, on the same copy of the book.
#include "read_benchmarks.h"

#include "bare_sqlite.h"
#include "bound_source.h"
#include "data/query_texts.h"
#include "data/text_view.h"
#include "ui/search/search_query.h"

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>

namespace rolvane::bench {

namespace {

using Clock = std::chrono::steady_clock;

// The letter queries as SQLite itself serves them from the index: the range from the letter to
// the next one.
std::string indexServedLetter(std::size_t letter) {
    const auto bound = [](std::size_t i) {
        return "'" + std::string(1, char('A' + i)) + "' collate rolvane_text";
    };
    return "select * from Rolvane where [Last Name] >= " + bound(letter) +
           (letter + 1 < 26 ? " and [Last Name] < " + bound(letter + 1) : std::string()) +
           std::string(bare::kByLastName);
}

// A contact from the middle of the book, so searches find something at every size.
struct SearchTexts {
    QString lastOnly;
    QString firstAndLast;
    std::string lastOnlyFloor; // the same, as SQLite itself runs it on the index
    std::string firstAndLastFloor;
};

std::optional<SearchTexts> searchTexts(const std::string& path) {
    bare::Db db = bare::open(path);
    if (!db)
        return std::nullopt;
    bare::Stmt pick = bare::prepare(
        db.get(), "select [First Name], [Last Name] from Rolvane where [First Name] <> '' and "
                  "[Last Name] <> '' order by rowid limit 1 offset "
                  "(select count(*) / 2 from Rolvane)");
    if (!pick || sqlite3_step(pick.get()) != SQLITE_ROW)
        return std::nullopt;
    const auto text = [&](int i) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(pick.get(), i)));
    };
    const QString first = text(0), last = text(1);
    const std::array lastOnly = {ui::SearchField{QStringLiteral("First Name"), QString()},
                                 ui::SearchField{QStringLiteral("Last Name"), last}};
    const std::array both = {ui::SearchField{QStringLiteral("First Name"), first},
                             ui::SearchField{QStringLiteral("Last Name"), last}};
    const auto equals = [](const char* column, const QString& value) {
        return std::string(" [") + column + "] = '" +
               QString(value).replace(QLatin1Char('\''), QStringLiteral("''")).toStdString() +
               "' collate rolvane_text";
    };
    const std::string where = "select * from Rolvane where";
    return SearchTexts{ui::composeSearchQuery(lastOnly), ui::composeSearchQuery(both),
                       where + equals("Last Name", last) + std::string(bare::kByLastName),
                       where + equals("First Name", first) + " and" + equals("Last Name", last) +
                           std::string(bare::kByLastName)};
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void reportMedian(benchmark::State& state, std::vector<double>& samples) {
    if (samples.empty())
        return;
    auto middle = samples.begin() + std::ptrdiff_t(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    state.counters["median_us"] = *middle * 1e6;
}

// --- open the book and show the first row of the initial query

void openOurs(benchmark::State& state, std::string path) {
    for (auto _ : state) {
        BoundSource bound(path);
        if (!bound.showInitial()) {
            state.SkipWithError(bound.failure().c_str());
            break;
        }
        benchmark::DoNotOptimize(bound.field(1).text().size());
    }
}

void openFloor(benchmark::State& state, std::string path) {
    for (auto _ : state) {
        bare::Db db = bare::open(path);
        benchmark::DoNotOptimize(db ? bare::firstRow(db.get(), bare::kInitialSql) : 0);
    }
}

// --- letter and search queries: Refresh to the first row shown

void queriesOurs(benchmark::State& state, std::string path, std::vector<QString> queries) {
    BoundSource bound(path);
    std::size_t next = 0;
    for (auto _ : state) {
        bound.source().setRecordSource(queries[next++ % queries.size()]);
        if (!bound.source().Refresh()) {
            state.SkipWithError(bound.failure().c_str());
            break;
        }
        benchmark::DoNotOptimize(bound.field(1).text().size());
    }
}

void queriesFloor(benchmark::State& state, std::string path, std::vector<std::string> queries) {
    bare::Db db = bare::open(path);
    std::size_t next = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(bare::firstRow(db.get(), queries[next++ % queries.size()]));
}

// --- MoveNext and MovePrevious, each move timed on its own for the median

void moveNextOurs(benchmark::State& state, std::string path) {
    BoundSource bound(path);
    RecordSource& rs = bound.source();
    bound.showInitial();
    std::vector<double> samples;
    samples.reserve(std::min<std::size_t>(state.max_iterations, 10'000'000));
    for (auto _ : state) {
        const std::size_t before = rs.position();
        const auto start = Clock::now();
        rs.Recordset().MoveNext();
        const auto took = Clock::now() - start;
        state.SetIterationTime(seconds(took));
        samples.push_back(seconds(took));
        if (rs.position() == before) // the last row: begin again, untimed
            rs.Recordset().MoveFirst();
    }
    reportMedian(state, samples);
}

void movePreviousOurs(benchmark::State& state, std::string path) {
    BoundSource bound(path);
    RecordSource& rs = bound.source();
    bound.showInitial();
    const auto forward = [&rs] {
        for (int i = 0; i < 1000; ++i)
            rs.Recordset().MoveNext();
    };
    forward();
    std::vector<double> samples;
    samples.reserve(std::min<std::size_t>(state.max_iterations, 10'000'000));
    for (auto _ : state) {
        const auto start = Clock::now();
        rs.Recordset().MovePrevious();
        const auto took = Clock::now() - start;
        state.SetIterationTime(seconds(took));
        samples.push_back(seconds(took));
        if (rs.position() == 0)
            forward();
    }
    reportMedian(state, samples);
}

// The bare moves: one more key from the open keyset statement (or one back in the keys read),
// then the row fetched by its rowid.
void movesFloor(benchmark::State& state, std::string path, bool backwards) {
    bare::Db db = bare::open(path);
    const std::string keysetSql = "select rowid from Rolvane" + std::string(bare::kByLastName);
    bare::Stmt keyset = bare::prepare(db.get(), keysetSql);
    bare::Stmt fetch = bare::prepare(db.get(), "select * from Rolvane where rowid = ?");
    std::vector<sqlite3_int64> keys;
    std::size_t current = 0;
    const auto show = [&](sqlite3_int64 key) {
        sqlite3_bind_int64(fetch.get(), 1, key);
        std::size_t bytes = 0;
        if (sqlite3_step(fetch.get()) == SQLITE_ROW)
            bytes = bare::readRow(fetch.get());
        sqlite3_reset(fetch.get());
        return bytes;
    };
    const auto next = [&] {
        if (current + 1 < keys.size())
            return show(keys[++current]);
        if (sqlite3_step(keyset.get()) != SQLITE_ROW)
            return std::size_t(0);
        keys.push_back(sqlite3_column_int64(keyset.get(), 0));
        current = keys.size() - 1;
        return show(keys.back());
    };
    for (int i = 0; i < 1001; ++i)
        next();
    std::vector<double> samples;
    samples.reserve(std::min<std::size_t>(state.max_iterations, 10'000'000));
    for (auto _ : state) {
        const std::size_t before = current;
        const auto start = Clock::now();
        const std::size_t bytes = backwards ? (current > 0 ? show(keys[--current]) : 0) : next();
        const auto took = Clock::now() - start;
        benchmark::DoNotOptimize(bytes);
        state.SetIterationTime(seconds(took));
        samples.push_back(seconds(took));
        if (backwards && current == 0) {
            current = std::min<std::size_t>(1000, keys.size() - 1);
        } else if (!backwards && current == before) {
            keyset = bare::prepare(db.get(), keysetSql);
            keys.clear();
            current = 0;
            next();
        }
    }
    reportMedian(state, samples);
}

// --- MoveLast: every key of the result read

void moveLastOurs(benchmark::State& state, std::string path) {
    BoundSource bound(path);
    RecordSource& rs = bound.source();
    rs.setRecordSource(fromView(query::kInitial));
    for (auto _ : state) {
        rs.Refresh(); // untimed: only the move is measured
        const auto start = Clock::now();
        rs.Recordset().MoveLast();
        state.SetIterationTime(seconds(Clock::now() - start));
        if (!bound.failure().empty()) {
            state.SkipWithError(bound.failure().c_str());
            break;
        }
    }
    state.counters["rows"] = double(rs.keysRead());
}

void moveLastFloor(benchmark::State& state, std::string path) {
    bare::Db db = bare::open(path);
    bare::Stmt fetch = bare::prepare(db.get(), "select * from Rolvane where rowid = ?");
    std::size_t rows = 0;
    for (auto _ : state) {
        bare::Stmt keyset =
            bare::prepare(db.get(), "select rowid from Rolvane" + std::string(bare::kByLastName));
        const auto start = Clock::now();
        sqlite3_int64 last = 0;
        rows = 0;
        while (sqlite3_step(keyset.get()) == SQLITE_ROW) {
            last = sqlite3_column_int64(keyset.get(), 0);
            ++rows;
        }
        sqlite3_bind_int64(fetch.get(), 1, last);
        if (sqlite3_step(fetch.get()) == SQLITE_ROW)
            benchmark::DoNotOptimize(bare::readRow(fetch.get()));
        sqlite3_reset(fetch.get());
        state.SetIterationTime(seconds(Clock::now() - start));
    }
    state.counters["rows"] = double(rows);
}

template <typename Function, typename... Args>
benchmark::internal::Benchmark* add(const std::string& name, long size, Function function,
                                    Args... args) {
    return benchmark::RegisterBenchmark((name + "/" + std::to_string(size)).c_str(), function,
                                        args...)
        ->Unit(benchmark::kMicrosecond);
}

} // namespace

void registerReadBenchmarks(const BenchOptions& options) {
    for (long size : options.sizes) {
        const std::string path = workBook(options, size);
        add("Open/ours", size, openOurs, path);
        add("Open/floor", size, openFloor, path);

        std::vector<QString> letters;
        std::vector<std::string> lettersFloor;
        for (std::size_t i = 0; i < query::kLetters.size(); ++i) {
            letters.push_back(fromView(query::kLetters[i]));
            lettersFloor.push_back(indexServedLetter(i));
        }
        add("Letter/ours", size, queriesOurs, path, letters);
        add("Letter/floor", size, queriesFloor, path, lettersFloor);

        if (const auto search = searchTexts(path)) {
            add("SearchLast/ours", size, queriesOurs, path, std::vector{search->lastOnly});
            add("SearchLast/floor", size, queriesFloor, path, std::vector{search->lastOnlyFloor});
            add("SearchFirstLast/ours", size, queriesOurs, path, std::vector{search->firstAndLast});
            add("SearchFirstLast/floor", size, queriesFloor, path,
                std::vector{search->firstAndLastFloor});
        }

        add("MoveNext/ours", size, moveNextOurs, path)->UseManualTime();
        add("MoveNext/floor", size, movesFloor, path, false)->UseManualTime();
        add("MovePrevious/ours", size, movePreviousOurs, path)->UseManualTime();
        add("MovePrevious/floor", size, movesFloor, path, true)->UseManualTime();

        add("MoveLast/ours", size, moveLastOurs, path)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        add("MoveLast/floor", size, moveLastFloor, path)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace rolvane::bench
