// SPDX-License-Identifier: GPL-3.0-or-later
// The conflict box: what the user typed is never lost without a choice of theirs.
#include "source_report.h"

#include "data/record_source.h"
#include "message_box.h"
#include "source_words.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>

namespace rolvane::ui {

namespace {

enum Choice { SaveMine, CopyTyped, DropTyped };

// "First Name: Anna", one line each; a text of several lines goes on indented.
QString labelledTexts(const RecordSource& source) {
    QStringList lines;
    for (const auto& [column, text] : source.shownTexts()) {
        QString value = text;
        value.replace(QLatin1Char('\n'), QLatin1String("\n    "));
        lines << column + QLatin1String(": ") + value;
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace

bool reportSource(RecordSource& source, bool ok) {
    const std::vector<SourceNotice> notices = source.takeNotices();
    const bool conflict = std::any_of(notices.begin(), notices.end(), [](const SourceNotice& n) {
        return n.what == SourceNotice::What::SaveConflict;
    });
    if (!conflict || !source.hasPendingEdits()) {
        showMessages(describe(notices));
        return ok;
    }
    const int choice =
        askChoice(describe(notices).join(QLatin1String("\n\n")),
                  {QStringLiteral("&Save My Changes"), QStringLiteral("&Copy to Clipboard"),
                   QStringLiteral("&Drop Changes")});
    if (choice == SaveMine) {
        source.saveOverOtherChanges();
    } else {
        if (choice == CopyTyped)
            QGuiApplication::clipboard()->setText(labelledTexts(source));
        source.cancelEdits();
    }
    showMessages(describe(source.takeNotices()));
    return ok;
}

} // namespace rolvane::ui
