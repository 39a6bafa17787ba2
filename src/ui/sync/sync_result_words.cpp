// SPDX-License-Identifier: GPL-3.0-or-later
// The tool words what it did; this says what that means for the user, whose decision follows
// the outcome's kind, never its words.
#include "sync_result_words.h"

namespace rolvane::ui {

namespace {

QString listed(const QString& heading, const QStringList& items) {
    if (items.isEmpty())
        return {};
    return QStringLiteral("\n\n%1\n    %2").arg(heading, items.join(QStringLiteral("\n    ")));
}

QString withoutResult(const SyncEnd& end) {
    QString text = end.crashed
                       ? QStringLiteral("The sync program ended suddenly, without saying how the "
                                        "sync went.")
                       : QStringLiteral("The sync program ended (exit status %1) without saying "
                                        "how the sync went.")
                             .arg(end.exitCode);
    if (!end.problem.isEmpty())
        text += QStringLiteral(" It said:\n") + end.problem;
    return text + QStringLiteral("\n\nWhat it had done is kept; the next sync takes up the rest.");
}

} // namespace

SyncReport describeSync(const SyncEnd& end, const QString& outcome, const QString& words,
                        const QStringList& conflicts, const QStringList& warnings) {
    SyncReport report;
    if (!end.started) {
        report.status = QStringLiteral("The sync could not start.");
        report.text = end.problem + QStringLiteral("\n\nThe sync is done by rolvane-db, which "
                                                   "comes with Rolvane: it is looked for beside "
                                                   "this program, then on the PATH.");
        return report;
    }
    if (end.stopped || outcome == QLatin1String("cancelled")) {
        report.status = QStringLiteral("The sync was cancelled.");
        report.text = QStringLiteral("The sync was cancelled. What it had done is kept; the next "
                                     "sync takes up the rest.");
    } else if (outcome == QLatin1String("done")) {
        report.status = QStringLiteral("The sync is done.");
        report.text = QStringLiteral("The sync is done: %1.").arg(words);
    } else if (!outcome.isEmpty()) {
        report.status = QStringLiteral("The sync stopped.");
        report.text = words;
    } else {
        report.status = QStringLiteral("The sync stopped.");
        report.text = withoutResult(end);
    }
    report.text += listed(QStringLiteral("Changed here and on the server: the fields show the "
                                         "server's text, and this computer's text is kept in "
                                         "Comments:"),
                          conflicts);
    report.text += listed(QStringLiteral("Passed over:"), warnings);
    return report;
}

} // namespace rolvane::ui
