// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built set-up tool (ROLVANE_DB, defined by the tests that use it) and collects what it
// printed, for the tests that drive it from outside as a user would.
#pragma once

#include <QFile>
#include <QProcess>
#include <QStringList>

namespace rolvane::test {

struct ToolRun {
    int exitCode = -1; // -1 when the tool crashed or hung
    QString out;
    QString err;
    QByteArray rawOut;
};

// `environment` adds or replaces variables ("LC_ALL=de_DE.UTF-8").
inline ToolRun runTool(const QStringList& arguments, const QByteArray& input = QByteArray(),
                       const QString& home = QString(), const QStringList& environment = {}) {
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!home.isEmpty())
        env.insert(QStringLiteral("HOME"), home);
    for (const QString& variable : environment)
        env.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(ROLVANE_DB), arguments);
    if (!input.isNull()) {
        tool.write(input);
        tool.closeWriteChannel();
    }
    // Generous: a first sync of thousands of cards waits on the server for minutes.
    if (!tool.waitForFinished(600000) || tool.exitStatus() != QProcess::NormalExit)
        return {};
    const QByteArray out = tool.readAllStandardOutput();
    return {tool.exitCode(), QString::fromUtf8(out), QString::fromUtf8(tool.readAllStandardError()),
            out};
}

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace rolvane::test
