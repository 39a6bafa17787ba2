// Rows are stepped straight into a buffer that is flushed in large pieces; no contact is held
// beyond the row being written. A file is replaced only by renaming a complete new one over it.
#include "export_command.h"

#include "book_location.h"
#include "data/contact_table.h"
#include "data/name_collation.h"
#include "data/sqlite_db.h"
#include "data/text_view.h"
#include "exchange/csv_writer.h"
#include "exchange/vcard_writer.h"
#include "progress_meter.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>

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
    // The book's own order, which its index on last names holds: the program lists them so.
    return QStringLiteral("select %1 from [%2] order by [Last Name] collate %3")
        .arg(columns.join(QLatin1String(", ")), fromView(kTableName), fromView(collation::kName));
}

// Where the contacts go: a new file put in place only when complete, or standard output. The
// first failure's cause is kept in plain words ("the disk is full"), whatever Qt makes of it.
class Sink {
public:
    explicit Sink(const QString& target)
        : toStdout_(target == QLatin1String("-")), target_(target), file_(target) {}
    bool open() {
        if (toStdout_ || file_.open(QIODevice::WriteOnly))
            return true;
        why_ = file_.errorString();
        return false;
    }
    bool write(const std::string& bytes) {
        errno = 0;
        const bool ok =
            toStdout_ ? std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size()
                      : file_.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
        return ok || failed();
    }
    bool finish() {
        errno = 0;
        if (toStdout_ ? std::fflush(stdout) != 0 : !file_.commit())
            return failed();
        return true;
    }
    QString name() const { return toStdout_ ? QStringLiteral("standard output") : target_; }
    QString why() const { return why_; }

private:
    bool failed() {
        if (why_.isEmpty()) {
            const int error = errno;
            why_ = error == ENOSPC || error == EDQUOT ? QStringLiteral("the disk is full")
                   : error != 0                       ? QString::fromLocal8Bit(std::strerror(error))
                   : toStdout_                        ? QStringLiteral("write error")
                                                      : file_.errorString();
        }
        return false;
    }

    bool toStdout_;
    QString target_;
    QSaveFile file_;
    QString why_;
};

// Steps every row into `sink` through a buffer flushed in large pieces; false when a write failed.
bool writeRows(sqlite::Statement& rows, bool vcard, long long total, Sink& sink, int& rc,
               long long& written) {
    std::string buffer;
    buffer.reserve(kFlushAt + (std::size_t(1) << 16));
    if (!vcard)
        appendCsvHeader(buffer);
    ProgressMeter progress("Exporting");
    RowView row;
    sqlite3_stmt* stmt = rows.get();
    bool ok = true;
    while (ok && (rc = rows.step()) == SQLITE_ROW) {
        for (int i = 0; i < int(row.size()); ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            row[std::size_t(i)] =
                text ? std::string_view(text, std::size_t(sqlite3_column_bytes(stmt, i)))
                     : std::string_view();
        }
        vcard ? appendVCard(row, buffer) : appendCsvRow(row, buffer);
        if (buffer.size() >= kFlushAt) {
            ok = sink.write(buffer);
            buffer.clear();
        }
        ++written;
        progress.update(written, total > 0 ? int(written * 100 / total) : -1);
    }
    progress.clear();
    return ok && sink.write(buffer);
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
    Sink sink(command.exchange);
    if (!sink.open()) {
        printError(QStringLiteral("Could not write \"%1\": %2.").arg(command.exchange, sink.why()));
        return 1;
    }
    int rc = SQLITE_DONE;
    long long written = 0;
    const bool ok = writeRows(rows, command.format == Command::Format::VCard, count.columnInt64(0),
                              sink, rc, written);
    if (ok && rc != SQLITE_DONE) {
        printError(
            QStringLiteral("Could not read the contacts of \"%1\": %2.").arg(book, db.lastError()));
        return 1; // QSaveFile drops the temporary file; an existing file stays as it was
    }
    if (!ok || !sink.finish()) {
        printError(QStringLiteral("Could not write \"%1\": %2; it was left as it was.")
                       .arg(sink.name(), sink.why()));
        return 1;
    }
    // With stdout the summary goes to stderr, so the contacts alone go down the pipe.
    const bool toStdout = command.exchange == QLatin1String("-");
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
