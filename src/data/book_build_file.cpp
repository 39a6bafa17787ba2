// SPDX-License-Identifier: GPL-3.0-or-later
// The lock is flock(), which SQLite's own fcntl() locks on the same file neither see nor release.
// A build file is removed with its lock held, its main name last, so a removal cut short leaves
// something the next creation finds again.
#include "book_build_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rolvane {

namespace {

QString buildPrefix(const QFileInfo& book) {
    return book.absolutePath() + QStringLiteral("/.") + book.fileName() + QLatin1Char('.');
}

void removeBuild(const QString& path) {
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    QFile::remove(path);
}

#ifdef Q_OS_UNIX
bool lockExclusive(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

// Whether `path` still names the regular file open as `fd`: a stale-file sweep may have removed
// it between its making and its lock.
bool stillNamed(int fd, const QString& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
           ::lstat(QFile::encodeName(path).constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}
#endif

} // namespace

BookBuildFile::~BookBuildFile() {
    if (file_)
        removeBuild(file_->fileName());
}

QString BookBuildFile::open(const QString& bookPath) {
    const QString name = buildPrefix(QFileInfo(bookPath)) + QStringLiteral("XXXXXX");
    // A second try is for a name swept away as stale before it could be locked.
    for (int attempt = 0; attempt < 3; ++attempt) {
        auto file = std::make_unique<QTemporaryFile>(name);
        file->setAutoRemove(false);
        if (!file->open())
            return file->errorString();
#ifdef Q_OS_UNIX
        if (!lockExclusive(file->handle()) || !stillNamed(file->handle(), file->fileName()))
            continue; // the sweep owns that name now
        // The permissions any new file gets under the user's umask, not a temporary file's 0600.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(file->handle(), 0666 & ~mask);
#endif
        file_ = std::move(file);
        return {};
    }
    return QStringLiteral("its temporary file could not be locked");
}

void removeStaleBuilds(const QString& bookPath) {
#ifdef Q_OS_UNIX
    const QFileInfo book(bookPath);
    const QDir folder = book.absoluteDir();
    // QTemporaryFile fills the six places with letters and digits.
    const QRegularExpression ours(QStringLiteral("^\\.%1\\.[A-Za-z0-9]{6}$")
                                      .arg(QRegularExpression::escape(book.fileName())));
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        if (!ours.match(name).hasMatch())
            continue;
        const QString path = folder.filePath(name);
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        if (lockExclusive(fd) && stillNamed(fd, path))
            removeBuild(path);
        ::close(fd);
    }
#else
    // Elsewhere a build file cannot be told stale by its lock; it is left alone.
    Q_UNUSED(bookPath);
#endif
}

} // namespace rolvane
