// SPDX-License-Identifier: GPL-3.0-or-later
// flock() rather than a lock file holding a process id: a sync killed while writing that id
// would leave a lock that reads as held until it grows old. The file itself stays; removing it
// would let two syncs lock two different files of the same name.
#include "sync_lock.h"

#include <QFile>
#include <QLockFile>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace rolvane::carddav {

SyncLock::SyncLock(const QString& bookPath) : path_(bookPath + QStringLiteral(".sync-lock")) {}

SyncLock::~SyncLock() {
#ifdef Q_OS_UNIX
    if (fd_ >= 0)
        ::close(fd_);
#endif
}

bool SyncLock::tryLock() {
#ifdef Q_OS_UNIX
    if (fd_ < 0)
        fd_ = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    return fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
#else
    if (!fallback_)
        fallback_ = std::make_unique<QLockFile>(path_);
    return fallback_->tryLock(0);
#endif
}

} // namespace rolvane::carddav
