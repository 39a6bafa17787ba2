// SPDX-License-Identifier: GPL-3.0-or-later
// The import itself is the library's; the tool words its outcome on the terminal.
#include "import_command.h"

#include "book_location.h"
#include "data/access_file.h"
#include "exchange/contact_import.h"
#include "progress_meter.h"

#include <cstdio>

namespace rolvane::tool {

namespace {

void printError(const QString& text) {
    std::fputs(QStringLiteral("rolvane-db: %1\n").arg(text).toLocal8Bit().constData(), stderr);
}

QString counted(long long n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(groupedNumber(n), QString::fromLatin1(n == 1 ? one : many));
}

QString summary(const exchange::ImportResult& result) {
    QString text = QStringLiteral("Imported %1 from %2")
                       .arg(counted(result.added, "contact", "contacts"), result.fileName);
    if (result.alreadyThere > 0)
        text += QStringLiteral("; %1 already there").arg(groupedNumber(result.alreadyThere));
    if (result.unkept.any())
        text +=
            QStringLiteral("; ") + QString::fromStdString(exchange::unkeptWording(result.unkept));
    if (result.warningCount > 0)
        text += QStringLiteral("; ") + counted(result.warningCount, "warning", "warnings");
    return text;
}

} // namespace

int runImport(const Command& command) {
    exchange::ImportRequest request;
    request.file = command.exchange;
    request.book = bookPath(command.file);
    request.table = command.table;
    request.keepDuplicates = command.keepDuplicates;
    if (fileIsAccessDatabase(request.book)) {
        printError(QStringLiteral("\"%1\" is an Access file, not a Rolvane address book. Move it "
                                  "elsewhere, then bring its contacts over with: rolvane-db "
                                  "import NEW-PLACE-OF-THE-FILE%2")
                       .arg(request.book, command.file.isEmpty()
                                              ? QString()
                                              : QStringLiteral(" --file ") + request.book));
        return 1;
    }
    ProgressMeter progress("Importing");
    const exchange::ImportResult result =
        exchange::importContacts(request, [&progress](long long done, int percent) {
            progress.update(done, percent);
            return true;
        });
    progress.clear();
    for (const QString& warning : result.warnings)
        printError(warning);
    if (result.warningCount > result.warnings.size())
        printError(QStringLiteral("%1 more warnings not shown")
                       .arg(groupedNumber(result.warningCount - result.warnings.size())));
    if (!result.done()) {
        printError(result.failure);
        return 1;
    }
    std::fputs((summary(result) + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    return 0;
}

} // namespace rolvane::tool
