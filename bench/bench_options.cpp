// SPDX-License-Identifier: GPL-3.0-or-later
// Flag reading and the work copies of the books.
#include "bench_options.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <set>

namespace rolvane::bench {

namespace {

std::vector<long> parseSizes(const std::string& text) {
    std::vector<long> sizes;
    size_t from = 0;
    while (from <= text.size()) {
        const size_t comma = std::min(text.find(',', from), text.size());
        if (comma > from)
            sizes.push_back(std::stol(text.substr(from, comma - from)));
        from = comma + 1;
    }
    return sizes;
}

} // namespace

BenchOptions takeOptions(int& argc, char** argv, const std::vector<std::string>& otherNames) {
    BenchOptions options;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const size_t equals = arg.find('=');
        const std::string name = equals == std::string::npos ? arg : arg.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : arg.substr(equals + 1);
        if (name == "--books")
            options.books = value;
        else if (name == "--sizes")
            options.sizes = parseSizes(value);
        else if (name == "--work")
            options.work = value;
        else if (std::find(otherNames.begin(), otherNames.end(), name.substr(2)) !=
                     otherNames.end() &&
                 name.starts_with("--"))
            options.other[name.substr(2)] = value;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    return options;
}

std::string cachedBook(const BenchOptions& options, long size) {
    return (std::filesystem::path(options.books) / ("addy-" + std::to_string(size) + ".mdb"))
        .string();
}

bool booksPresent(const BenchOptions& options) {
    for (long size : options.sizes) {
        if (!std::filesystem::exists(cachedBook(options, size))) {
            std::fprintf(stderr, "no book %s\n", cachedBook(options, size).c_str());
            return false;
        }
    }
    return true;
}

bool initializeBenchmark(int& argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    return !benchmark::ReportUnrecognizedArguments(argc, argv);
}

std::string workBook(const BenchOptions& options, long size) {
    namespace fs = std::filesystem;
    static std::set<long> copied;
    const fs::path copy = fs::path(options.work) / ("addy-" + std::to_string(size) + ".mdb");
    if (copied.insert(size).second) {
        fs::create_directories(options.work);
        for (const char* suffix : {"-wal", "-shm"})
            fs::remove(copy.string() + suffix);
        fs::copy_file(cachedBook(options, size), copy, fs::copy_options::overwrite_existing);
    }
    return copy.string();
}

} // namespace rolvane::bench
