// SPDX-License-Identifier: GPL-3.0-or-later
// The sync as a child process: `rolvane-db sync --file BOOK --machine`, read line by line as it
// writes. The window program links no network library; the set-up tool does the syncing.
#pragma once

#include "sync_lines.h"

#include <QObject>
#include <QProcess>
#include <QTimer>
#include <functional>

namespace rolvane::ui {

// How a child ended, beyond what its lines said.
struct SyncEnd {
    bool started = true;  // false: the program could not be run; `problem` says why
    bool stopped = false; // we stopped it (Cancel)
    bool crashed = false; // ended by a signal we did not send
    int exitCode = 0;
    QString problem; // why it did not start, or what it wrote on standard error
};

// rolvane-db beside this program, else the one on PATH.
QString defaultSyncProgram();

class SyncChild : public QObject {
    Q_OBJECT
public:
    explicit SyncChild(QObject* parent = nullptr);
    // A child still running is stopped as stopNow does.
    ~SyncChild() override;

    std::function<void(const SyncLine&)> onLine;
    std::function<void(const SyncEnd&)> onEnd;

    // `quiet`: a sync the user did not start, which must not bring up the keyring's prompt.
    void start(const QString& program, const QString& bookPath, bool quiet = false);
    bool isRunning() const { return process_.state() != QProcess::NotRunning; }
    // SIGTERM, which the tool takes as a cancel; SIGKILL when it has not ended 2 s later.
    void cancel();
    // The same, but returns only once the child is gone, and calls neither callback.
    void stopNow();

private:
    void readLines();
    void finished(int exitCode, QProcess::ExitStatus status);
    void failedToStart();

    QProcess process_;
    QTimer killTimer_;
    QByteArray partial_; // a line not yet ended
    bool stopped_ = false;
};

} // namespace rolvane::ui
