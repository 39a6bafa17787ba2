// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmarks' own flags, taken out of argv before Google Benchmark reads the rest, and the
// books they name.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace rolvane::bench {

struct BenchOptions {
    std::string books;                        // folder of the cached books, addy-N.mdb
    std::vector<long> sizes;                  // the N to measure
    std::string work;                         // folder for copies the benchmarks may change
    std::map<std::string, std::string> other; // any other --name=value of ours
};

// Removes every --books=, --sizes=, --work= and each --name= listed in `otherNames` from argv.
BenchOptions takeOptions(int& argc, char** argv, const std::vector<std::string>& otherNames = {});

std::string cachedBook(const BenchOptions& options, long size);
// Whether the cached book of every size is there; names the first missing one on stderr.
bool booksPresent(const BenchOptions& options);
// Hands the rest of argv to Google Benchmark; false, after saying so, when it holds a flag that
// is neither ours nor Google Benchmark's.
bool initializeBenchmark(int& argc, char** argv);
// A fresh copy of the cached book in the work folder, made once per process; benchmarks that
// write restore what they change, so later ones see the same rows.
std::string workBook(const BenchOptions& options, long size);

} // namespace rolvane::bench
