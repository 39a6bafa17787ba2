// SPDX-License-Identifier: GPL-3.0-or-later
// The file is read once, straight into one transaction: the book changes only at the commit, so a
// failure, an interrupt or a kill at any point before it leaves the book as it was.
#include "import_command.h"

#include "book_location.h"
#include "contact_writer.h"
#include "data/access_file.h"
#include "exchange/access_reader.h"
#include "exchange/byte_source.h"
#include "exchange/contact_mapping.h"
#include "exchange/csv_reader.h"
#include "exchange/file_format.h"
#include "exchange/vcard_reader.h"
#include "new_book.h"
#include "progress_meter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>

namespace rolvane::tool {

namespace {

using namespace rolvane::exchange;

void printError(const QString& text) {
    std::fputs(QStringLiteral("rolvane-db: %1\n").arg(text).toLocal8Bit().constData(), stderr);
}

QString where(const QString& name, long long line) {
    return line > 0 ? QStringLiteral("%1, line %2").arg(name).arg(line) : name;
}

// Standard input cannot be handed to libmdb, which wants a file it can seek in.
QString copyToTemporary(QIODevice& in, QTemporaryFile& copy) {
    if (!copy.open())
        return QStringLiteral("Could not make a temporary copy of standard input.");
    char chunk[1 << 16];
    for (qint64 got; (got = in.read(chunk, sizeof chunk)) > 0;)
        if (copy.write(chunk, got) != got)
            return QStringLiteral("Could not make a temporary copy of standard input: %1.")
                .arg(copy.errorString());
    copy.flush();
    return {};
}

} // namespace

int runImport(const Command& command) {
    const bool fromStdin = command.exchange == QLatin1String("-");
    const QString name = fromStdin ? QStringLiteral("standard input") : command.exchange;
    QFile input;
    if (fromStdin ? !input.open(stdin, QIODevice::ReadOnly)
                  : (input.setFileName(command.exchange), !input.open(QIODevice::ReadOnly))) {
        printError(QStringLiteral("Could not read \"%1\": %2.").arg(name, input.errorString()));
        return 1;
    }
    if (!fromStdin && QFileInfo(command.exchange).isDir()) {
        printError(QStringLiteral("\"%1\" is a folder, not a contacts file.").arg(name));
        return 1;
    }
    const FileFormat format = detectFormat(input.peek(512));
    if (format == FileFormat::Unknown) {
        printError(
            QStringLiteral("\"%1\" is not a vCard, CSV or Access file; nothing was imported.")
                .arg(name));
        return 1;
    }

    long long imported = 0;
    long long warnings = 0;
    ProgressMeter progress("Importing");
    const qint64 size = fromStdin ? -1 : input.size();
    QString storeFailure;
    ReadCallbacks callbacks;
    callbacks.warning = [&](const Problem& p) {
        ++warnings;
        progress.clear();
        printError(
            QStringLiteral("%1: %2").arg(where(name, p.line), QString::fromStdString(p.text)));
    };

    std::optional<Problem> problem;
    // Runs the reader, adding each contact through `add`; the reason it stopped, if it failed.
    auto readAll = [&](const std::function<QString(const Contact&)>& add) -> QString {
        Contact contact;
        callbacks.card = [&](Card& card) {
            if (!toContact(card, contact)) {
                callbacks.warning({card.line, "the contact holds nothing to store; skipped"});
                return true;
            }
            if (storeFailure = add(contact); !storeFailure.isEmpty())
                return false;
            ++imported;
            progress.update(imported, size > 0 ? int(input.pos() * 100 / size) : -1);
            return true;
        };
        if (format == FileFormat::Access) {
            QString path = command.exchange;
            QTemporaryFile copy;
            if (fromStdin) {
                if (QString why = copyToTemporary(input, copy); !why.isEmpty())
                    return why;
                path = copy.fileName();
            }
            problem = readAccess(path, command.table, callbacks);
        } else {
            ByteSource source(input);
            problem = format == FileFormat::VCard ? readVCards(source, callbacks)
                                                  : readCsv(source, callbacks);
        }
        if (!storeFailure.isEmpty())
            return storeFailure;
        if (problem)
            return QStringLiteral("%1: %2; nothing was imported.")
                .arg(where(name, problem->line), QString::fromStdString(problem->text));
        return {};
    };

    const QString book = bookPath(command.file);
    if (fileIsAccessDatabase(book)) {
        // The old program's own file where the book belongs: it has to make way first.
        printError(
            QStringLiteral("\"%1\" is an Access file, not a Rolvane address book. Move it "
                           "elsewhere, then bring its contacts over with: rolvane-db "
                           "import NEW-PLACE-OF-THE-FILE%2")
                .arg(book, command.file.isEmpty() ? QString() : QStringLiteral(" --file ") + book));
        return 1;
    }
    // A missing book is created empty, then filled like any other; if the import fails it is
    // removed again, as it holds nothing anyone stored.
    const bool created = !QFileInfo::exists(book);
    QString why = created ? makeBook(book, {}) : QString();
    if (why.isEmpty()) {
        ContactWriter writer;
        why = writer.begin(book, ContactWriter::Book::Existing);
        if (why.isEmpty())
            why = readAll([&writer](const Contact& c) { return writer.add(c); });
        if (why.isEmpty())
            why = writer.commit();
    }
    if (!why.isEmpty() && created) {
        for (const char* suffix : {"", "-journal", "-wal", "-shm"})
            QFile::remove(book + QLatin1String(suffix));
    }
    progress.clear();
    if (!why.isEmpty()) {
        printError(why);
        return 1;
    }
    QString summary =
        QStringLiteral("Imported %1 %2 from %3")
            .arg(groupedNumber(imported),
                 imported == 1 ? QStringLiteral("contact") : QStringLiteral("contacts"),
                 fromStdin ? name : QFileInfo(command.exchange).fileName());
    if (warnings > 0)
        summary += QStringLiteral("; %1 %2").arg(groupedNumber(warnings),
                                                 warnings == 1 ? QStringLiteral("warning")
                                                               : QStringLiteral("warnings"));
    std::fputs((summary + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    return 0;
}

} // namespace rolvane::tool
