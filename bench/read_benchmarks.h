// SPDX-License-Identifier: GPL-3.0-or-later
// Opening, the letter and search queries and the moves, each beside its floor.
#pragma once

#include "bench_options.h"

namespace rolvane::bench {

void registerReadBenchmarks(const BenchOptions& options);

} // namespace rolvane::bench
