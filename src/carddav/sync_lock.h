// SPDX-License-Identifier: GPL-3.0-or-later
// One sync of a book at a time: a lock on a file beside the book that the system lets go of when
// its holder ends in any way, so a killed sync never blocks the next one.
#pragma once

#include <QString>
#include <memory>

class QLockFile;

namespace rolvane::carddav {

class SyncLock {
public:
    explicit SyncLock(const QString& bookPath);
    SyncLock(const SyncLock&) = delete;
    SyncLock& operator=(const SyncLock&) = delete;
    ~SyncLock();

    // False when another process holds it (or the lock file cannot be made).
    bool tryLock();

private:
    QString path_;
    int fd_ = -1;
    std::unique_ptr<QLockFile> fallback_;
};

} // namespace rolvane::carddav
