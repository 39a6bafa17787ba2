// SPDX-License-Identifier: GPL-3.0-or-later
// The resident memory of this process, as the kernel counts it.
#pragma once

namespace rolvane::bench {

// VmRSS from /proc/self/status, in kilobytes; -1 where there is no such file.
long residentKilobytes();

} // namespace rolvane::bench
