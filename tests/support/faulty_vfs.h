// SPDX-License-Identifier: GPL-3.0-or-later
// An SQLite VFS over the default one that fails the Nth read, write or sync on demand, or offers
// no shared memory (so a book cannot use the write-ahead log). While it lives it is the default.
#pragma once

namespace rolvane::test {

class FaultyVfs {
public:
    FaultyVfs();
    ~FaultyVfs();
    FaultyVfs(const FaultyVfs&) = delete;
    FaultyVfs& operator=(const FaultyVfs&) = delete;

    // Counts reads, writes and syncs from now; the nth of them (1-based) fails, a write with
    // `writeFailure` (SQLITE_IOERR_WRITE or SQLITE_FULL). 0 never fails.
    void failAt(int n, int writeFailure);
    // Reads, writes and syncs counted since the last failAt.
    int calls() const;
    // Whether a fault was injected since the last failAt.
    bool failed() const;
    // Syncs done since the VFS was made.
    int syncs() const;
    // Open files written since their last sync: what a power cut now could lose.
    int unsyncedFiles() const;
    // Files opened from now on offer shared memory or not.
    void setSharedMemory(bool offered);
};

} // namespace rolvane::test
