// SPDX-License-Identifier: GPL-3.0-or-later
// `rolvane-db sync add ... --machine` as a child process of the "Link to a Server" dialog: the
// password goes to its standard input, never onto its command line, and its lines are read as
// they come.
#pragma once

#include "link_lines.h"
#include "sync_child.h"

#include <QObject>
#include <QProcess>
#include <functional>

namespace rolvane::ui {

class LinkChild : public QObject {
    Q_OBJECT
public:
    explicit LinkChild(QObject* parent = nullptr);
    // A child still running is stopped as stopNow does.
    ~LinkChild() override;

    std::function<void(const LinkLine&)> onLine;
    std::function<void(const SyncEnd&)> onEnd;

    // Runs `program` with `arguments`; `input` (the password and a line end, or nothing) is all
    // its standard input holds.
    void start(const QString& program, const QStringList& arguments, const QByteArray& input);
    bool isRunning() const { return process_.state() != QProcess::NotRunning; }
    // SIGTERM, then SIGKILL when it has not ended soon after; returns once the child is gone, and
    // calls neither callback.
    void stopNow();

private:
    void readLines();
    void finished(int exitCode, QProcess::ExitStatus status);

    QProcess process_;
    QByteArray partial_; // a line not yet ended
};

} // namespace rolvane::ui
