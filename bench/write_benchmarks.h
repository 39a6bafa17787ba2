// SPDX-License-Identifier: GPL-3.0-or-later
// Update and Delete as the main window's commands run them, each beside its floor.
#pragma once

#include "bench_options.h"

namespace rolvane::bench {

void registerWriteBenchmarks(const BenchOptions& options);

} // namespace rolvane::bench
