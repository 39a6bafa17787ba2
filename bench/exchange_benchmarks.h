// SPDX-License-Identifier: GPL-3.0-or-later
// rolvane-db import and export, run as the user runs them, beside floors that move the same rows
// with nothing of ours between.
#pragma once

#include "bench_options.h"

namespace rolvane::bench {

// `tool`: the built rolvane-db.
void registerExchangeBenchmarks(const BenchOptions& options, const std::string& tool);

} // namespace rolvane::bench
