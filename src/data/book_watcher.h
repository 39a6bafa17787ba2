// SPDX-License-Identifier: GPL-3.0-or-later
// Tells when the address book's contents have changed: the sync, an import or another copy of
// the program committed to it. Costs nothing while nothing happens (no timer runs).
#pragma once

#include "file_identity.h"
#include "sqlite_db.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace rolvane {

class BookWatcher : public QObject {
    Q_OBJECT
public:
    explicit BookWatcher(QString databasePath, QObject* parent = nullptr);

signals:
    // Once for a burst of writes that committed something, or when a book appeared under the
    // name. Any connection but the watcher's own counts, the caller's included.
    void bookChanged();

private:
    void noticed();
    void look();
    // Follows the folder, and the book and its log while they exist: a folder's watch is told of
    // files made, removed and renamed in it, not of writes into them.
    void watchFiles();
    void openBook();

    QString path_;
    QFileSystemWatcher files_;
    QTimer settle_;
    sqlite::Connection db_; // kept open; never left inside a read
    FileIdentity opened_;   // of the book db_ has open, zeros for none
    sqlite3_int64 version_ = -1;
};

} // namespace rolvane
