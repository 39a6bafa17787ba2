// SPDX-License-Identifier: GPL-3.0-or-later
// File events only wake the watcher; PRAGMA data_version decides. A checkpoint, a reader's
// lock or an unrelated file in the folder moves no version, so it is never reported.
#include "book_watcher.h"

#include <QFileInfo>

namespace rolvane {

namespace {
// Long enough for one save or a burst of the sync's writes to end; short enough to feel live.
constexpr std::chrono::milliseconds kSettle{300};
} // namespace

BookWatcher::BookWatcher(QString databasePath, QObject* parent)
    : QObject(parent), path_(std::move(databasePath)) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettle);
    connect(&settle_, &QTimer::timeout, this, &BookWatcher::look);
    connect(&files_, &QFileSystemWatcher::directoryChanged, this, &BookWatcher::noticed);
    connect(&files_, &QFileSystemWatcher::fileChanged, this, &BookWatcher::noticed);
    // Opened first: as root, SQLite's opening gives the log its owner again, which the watch
    // would take for a change.
    openBook();
    watchFiles();
}

void BookWatcher::noticed() {
    // Not restarted by each event: a long run of writes is looked at every interval.
    if (!settle_.isActive())
        settle_.start();
}

void BookWatcher::watchFiles() {
    const QString folder = QFileInfo(path_).absolutePath();
    const QStringList watched = files_.files() + files_.directories();
    for (const QString& path : {folder, path_, path_ + QStringLiteral("-wal")})
        if (!watched.contains(path) && QFileInfo::exists(path))
            files_.addPath(path);
}

void BookWatcher::openBook() {
    db_.close();
    version_ = -1;
    opened_ = fileIdentity(path_);
    if (opened_ == FileIdentity{} || db_.open(path_) != SQLITE_OK) {
        db_.close();
        return;
    }
    // Waiting on a writer would stall the window; a busy book is looked at after the write.
    sqlite3_busy_timeout(db_.get(), 0);
    version_ = db_.dataVersion();
}

void BookWatcher::look() {
    watchFiles();
    if (fileIdentity(path_) != opened_) {
        // Removed, replaced or made anew: a new book is news, a vanished one has nothing to read.
        openBook();
        if (opened_ != FileIdentity{})
            emit bookChanged();
        return;
    }
    if (!db_.isOpen())
        return;
    // Busy under a writer (-1): the writer's end touches the files again, and wakes it then.
    if (const sqlite3_int64 now = db_.dataVersion(); now >= 0 && now != version_) {
        version_ = now;
        emit bookChanged();
    }
}

} // namespace rolvane
