// SPDX-License-Identifier: GPL-3.0-or-later
// Every connection to a book under the log holds a shared lock on one byte of the "-shm" file
// while it has the book open; a lock that could be taken there means no connection, in this
// process or another, uses the file.
#include "stale_shared_memory.h"

#include <QFile>
#include <QFileInfo>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace rolvane::sqlite {

namespace {
#ifdef Q_OS_UNIX
// SQLite's unix file layer: the lock bytes start at 120, eight of them, then the byte whose read
// lock every connection keeps while it has the book open.
constexpr off_t kFirstLockByte = 120;
constexpr off_t kLockBytes = 9;

bool anotherProcessHasItOpen(const QString& shmPath) {
    const int fd = ::open(QFile::encodeName(shmPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return true; // cannot look: assume it is in use
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = kFirstLockByte;
    probe.l_len = kLockBytes;
    // A lock of the open file description conflicts with this process's own locks too.
    const bool held = ::fcntl(fd, F_OFD_GETLK, &probe) != 0 || probe.l_type != F_UNLCK;
    ::close(fd);
    return held;
}
#endif
} // namespace

bool removeStaleSharedMemory(const QString& bookPath) {
#ifdef Q_OS_UNIX
    const QString shm = bookPath + QStringLiteral("-shm");
    const QString wal = bookPath + QStringLiteral("-wal");
    const QFileInfo shmFile(shm);
    const QFileInfo walFile(wal);
    const QFileInfo book(bookPath);
    // An empty log holds nothing to lose; one with pages in it is left to SQLite whatever its mode.
    const bool staleLog = walFile.exists() && !walFile.isWritable() && walFile.size() == 0;
    const bool staleShm = shmFile.exists() && !shmFile.isWritable();
    if ((!staleShm && !staleLog) || !book.isWritable() ||
        !QFileInfo(book.absolutePath()).isWritable())
        return false;
    if (shmFile.exists() && anotherProcessHasItOpen(shm))
        return false;
    bool removed = staleShm && QFile::remove(shm);
    if (staleLog)
        removed = QFile::remove(wal) || removed;
    return removed;
#else
    Q_UNUSED(bookPath);
    return false;
#endif
}

} // namespace rolvane::sqlite
