// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built set-up tool (ROLVANE_DB) while the test's scripted server is served in the test's
// own thread: standard input a pipe or a terminal (script(1)), as the test's user or as an
// ordinary one for what depends on permissions.
#pragma once

#include "support/unprivileged.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>
#include <QTest>
#include <functional>

namespace rolvane::test {

struct ServedRun {
    int code = -1; // -1 when the tool was still running after a minute
    QString err, out;
};

struct ServedRunOptions {
    QByteArray typed = {}; // written to standard input, which is then closed
    // A terminal, through script(1), which puts all the terminal showed on standard output.
    bool terminal = false;
    bool unprivileged = false; // as "nobody" when the test runs as root
    // Called every few milliseconds while the tool runs, with its standard output so far.
    std::function<void(QProcess&, const QByteArray&)> whileRunning = {};
};

inline ServedRun runServedTool(const QStringList& args, const QString& home,
                               const ServedRunOptions& options = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    p.setProcessEnvironment(env);
    if (options.terminal) {
        QStringList quoted{QStringLiteral(ROLVANE_DB)};
        for (const QString& arg : args)
            quoted << QLatin1Char('\'') + arg + QLatin1Char('\'');
        p.start(QStringLiteral("script"), {QStringLiteral("-qec"), quoted.join(QLatin1Char(' ')),
                                           QStringLiteral("/dev/null")});
    } else if (options.unprivileged && ::geteuid() == 0) {
        p.start(QStringLiteral("setpriv"),
                QStringList{QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                            QStringLiteral("--clear-groups"), QStringLiteral(ROLVANE_DB)} +
                    args);
    } else {
        p.start(QStringLiteral(ROLVANE_DB), args);
    }
    p.write(options.typed);
    p.closeWriteChannel();
    QByteArray out;
    QDeadlineTimer deadline(60'000);
    while (p.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QTest::qWait(20);
        out += p.readAllStandardOutput();
        if (options.whileRunning)
            options.whileRunning(p, out);
    }
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    out += p.readAllStandardOutput();
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError()),
            QString::fromLocal8Bit(out)};
}

} // namespace rolvane::test
