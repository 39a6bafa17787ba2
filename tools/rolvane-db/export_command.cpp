// SPDX-License-Identifier: GPL-3.0-or-later
// Rows are stepped straight into a buffer that is flushed in large pieces; no contact is held
// beyond the row being written. A file is replaced only by renaming a complete new one over it.
#include "export_command.h"

#include "book_location.h"
#include "data/contact_table.h"
#include "data/sqlite_db.h"
#include "data/text_view.h"
#include "exchange/csv_writer.h"
#include "exchange/vcard_writer.h"
#include "progress_meter.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <cstdio>

namespace rolvane::tool {

namespace {

using namespace rolvane::exchange;

constexpr std::size_t kFlushAt = std::size_t(1) << 20;

void printError(const QString& text) {
    std::fputs(QStringLiteral("rolvane-db: %1\n").arg(text).toLocal8Bit().constData(), stderr);
}

QString selectAll() {
    QStringList columns;
    for (std::string_view column : kColumnNames)
        columns << QLatin1Char('[') + fromView(column) + QLatin1Char(']');
    return QStringLiteral("select %1 from [%2] order by [Last Name]")
        .arg(columns.join(QLatin1String(", ")), fromView(kTableName));
}

} // namespace

int runExport(const Command& command) {
    const QString book = bookPath(command.file);
    if (!QFileInfo::exists(book)) {
        printError(QStringLiteral("There is no address book at \"%1\".").arg(book));
        return 1;
    }
    sqlite::Connection db;
    if (const int rc = db.open(book); rc != SQLITE_OK) {
        printError(QStringLiteral("Could not open \"%1\": %2.")
                       .arg(book, QString::fromUtf8(sqlite3_errstr(rc))));
        return 1;
    }
    // One read transaction: the file is one consistent picture of the book.
    sqlite::Statement count, rows;
    if (db.exec("begin") != SQLITE_OK ||
        count.prepare(db, QStringLiteral("select count(*) from [%1]").arg(fromView(kTableName))) !=
            SQLITE_OK ||
        count.step() != SQLITE_ROW || rows.prepare(db, selectAll()) != SQLITE_OK) {
        printError(
            QStringLiteral("Could not read the contacts of \"%1\": %2.").arg(book, db.lastError()));
        return 1;
    }
    const long long total = count.columnInt64(0);

    const bool toStdout = command.exchange == QLatin1String("-");
    QSaveFile file(command.exchange);
    if (!toStdout && !file.open(QIODevice::WriteOnly)) {
        printError(QStringLiteral("Could not write \"%1\": %2.")
                       .arg(command.exchange, file.errorString()));
        return 1;
    }
    const bool vcard = command.format == Command::Format::VCard;
    std::string buffer;
    buffer.reserve(kFlushAt + (std::size_t(1) << 16));
    auto flush = [&]() {
        const bool ok =
            toStdout ? std::fwrite(buffer.data(), 1, buffer.size(), stdout) == buffer.size()
                     : file.write(buffer.data(), qint64(buffer.size())) == qint64(buffer.size());
        buffer.clear();
        return ok;
    };
    if (!vcard)
        appendCsvHeader(buffer);

    ProgressMeter progress("Exporting");
    long long written = 0;
    RowView row;
    int rc;
    bool ok = true;
    sqlite3_stmt* stmt = rows.get();
    while (ok && (rc = rows.step()) == SQLITE_ROW) {
        for (int i = 0; i < int(row.size()); ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            row[std::size_t(i)] =
                text ? std::string_view(text, std::size_t(sqlite3_column_bytes(stmt, i)))
                     : std::string_view();
        }
        if (vcard)
            appendVCard(row, buffer);
        else
            appendCsvRow(row, buffer);
        if (buffer.size() >= kFlushAt)
            ok = flush();
        ++written;
        progress.update(written, total > 0 ? int(written * 100 / total) : -1);
    }
    progress.clear();
    if (ok && rc != SQLITE_DONE) {
        printError(
            QStringLiteral("Could not read the contacts of \"%1\": %2.").arg(book, db.lastError()));
        return 1; // QSaveFile drops the temporary file; an existing file stays as it was
    }
    ok = ok && flush();
    if (toStdout)
        ok = ok && std::fflush(stdout) == 0;
    else
        ok = ok && file.commit();
    if (!ok) {
        printError(QStringLiteral("Could not write \"%1\": %2; it was left as it was.")
                       .arg(toStdout ? QStringLiteral("standard output") : command.exchange,
                            toStdout ? QStringLiteral("write error") : file.errorString()));
        return 1;
    }
    // With stdout the summary goes to stderr, so the contacts alone go down the pipe.
    const QString summary =
        QStringLiteral("Exported %1 %2 to %3\n")
            .arg(groupedNumber(written),
                 written == 1 ? QStringLiteral("contact") : QStringLiteral("contacts"),
                 toStdout ? QStringLiteral("standard output")
                          : QFileInfo(command.exchange).fileName());
    std::fputs(summary.toLocal8Bit().constData(), toStdout ? stderr : stdout);
    return 0;
}

} // namespace rolvane::tool
