// SPDX-License-Identifier: GPL-3.0-or-later
// The fields are as the set-up tool's manual page gives them; extra or missing fields make a
// line unknown rather than half-read.
#include "sync_lines.h"

#include <QStringList>

namespace rolvane::ui {

SyncLine readSyncLine(QStringView text) {
    const QList<QStringView> fields = text.split(QLatin1Char('\t'));
    const QStringView event = fields.front();
    SyncLine line;
    if (event == QLatin1String("progress") && fields.size() == 5) {
        bool doneOk = false, totalOk = false;
        line.done = fields[2].toInt(&doneOk);
        line.total = fields[3].toInt(&totalOk);
        if (!doneOk || !totalOk || line.done < 0 || line.total < 0)
            return {};
        line.kind = SyncLine::Kind::Progress;
        line.words = fields[4].toString();
    } else if (event == QLatin1String("warning") && fields.size() == 2) {
        line.kind = SyncLine::Kind::Warning;
        line.words = fields[1].toString();
    } else if (event == QLatin1String("conflict") && fields.size() == 2) {
        line.kind = SyncLine::Kind::Conflict;
        line.words = fields[1].toString();
    } else if (event == QLatin1String("result") && fields.size() == 10 && !fields[1].isEmpty()) {
        line.kind = SyncLine::Kind::Result;
        line.outcome = fields[1].toString();
        line.words = fields[9].toString();
    }
    return line;
}

} // namespace rolvane::ui
