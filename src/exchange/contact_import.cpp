// SPDX-License-Identifier: GPL-3.0-or-later
// A failure, a cancel or a kill at any point before the commit leaves the book as it was; a book
// the import was making never appears at its path.
#include "contact_import.h"

#include "contact_writer.h"
#include "contacts_file.h"
#include "data/access_file.h"
#include "data/address_book_file.h"
#include "duplicate_filter.h"
#include "new_book.h"

#include <QFileInfo>

namespace rolvane::exchange {

namespace {

// How often progress is told, in contacts.
constexpr long long kProgressEvery = 256;

// One run over the file: counts, warnings, the cancel, and where each contact goes.
class ImportRun {
public:
    ImportRun(const ImportRequest& request, const ImportProgress& progress)
        : request_(request), progress_(progress) {}

    // Opens the file; false (with the failure in the result) when it cannot be read.
    bool open();
    // Reads every contact, handing each to `store`. Empty, or why it stopped.
    QString read(const std::function<QString(const Contact&)>& store);
    ImportResult& result() { return result_; }
    const ImportRequest& request() const { return request_; }

    ImportResult finish(const QString& why) {
        if (cancelled_)
            result_.outcome = ImportResult::Outcome::Cancelled;
        else if (!why.isEmpty())
            result_.failure = why;
        else
            result_.outcome = ImportResult::Outcome::Done;
        return std::move(result_);
    }

private:
    const ImportRequest& request_;
    const ImportProgress& progress_;
    ContactsFile file_;
    ImportResult result_;
    long long read_ = 0;
    bool cancelled_ = false;
};

bool ImportRun::open() {
    result_.fileName = request_.file;
    result_.failure = openContactsFile(request_.file, file_);
    result_.fileName = file_.display;
    if (result_.failure.isEmpty() && !request_.table.isEmpty() &&
        file_.format != FileFormat::Access)
        result_.failure =
            QStringLiteral("\"%1\" is a %2 file, which has no tables; a table can only be "
                           "chosen in an Access file.")
                .arg(file_.name, file_.format == FileFormat::VCard ? QStringLiteral("vCard")
                                                                   : QStringLiteral("CSV"));
    if (result_.failure.isEmpty() && !request_.readsAccess && file_.format == FileFormat::Access)
        result_.failure =
            QStringLiteral("\"%1\" is an Access file. Access files come over with "
                           "the set-up tool, in a terminal: rolvane-db import \"%1\".")
                .arg(file_.name);
    return result_.failure.isEmpty();
}

QString ImportRun::read(const std::function<QString(const Contact&)>& store) {
    QString storeFailure;
    ContactHandlers handlers;
    handlers.warning = [this](const QString& text) {
        if (result_.warningCount++ < kKeptWarnings)
            result_.warnings << text;
    };
    handlers.unkept = &result_.unkept;
    handlers.contact = [&](const Contact& contact) {
        if (storeFailure = store(contact); !storeFailure.isEmpty())
            return false;
        if (++read_ % kProgressEvery == 0 && progress_ && !progress_(read_, file_.percentRead())) {
            cancelled_ = true;
            return false;
        }
        return true;
    };
    QString why = readContacts(file_, request_.table, handlers);
    if (cancelled_)
        return QStringLiteral("cancelled");
    return storeFailure.isEmpty() ? why : storeFailure;
}

// Stores the file's contacts through `writer`, skipping those already there.
QString storeAll(ImportRun& run, ContactWriter& writer) {
    DuplicateFilter filter;
    const bool skipDuplicates = !run.request().keepDuplicates;
    if (skipDuplicates) {
        if (QString why = filter.load(writer.connection()); !why.isEmpty())
            return why;
    }
    ImportResult& result = run.result();
    return run.read([&](const Contact& contact) {
        if (skipDuplicates && filter.isStored(contact)) {
            ++result.alreadyThere;
            return QString();
        }
        if (QString why = writer.add(contact); !why.isEmpty())
            return why;
        if (result.added++ == 0)
            result.firstAdded = writer.lastRowid();
        return skipDuplicates ? filter.remember(contact, writer.lastRowid()) : QString();
    });
}

QString importInto(ImportRun& run, const QString& path, ContactWriter::Book book) {
    ContactWriter writer;
    if (QString why = writer.begin(path, book); !why.isEmpty())
        return why;
    if (QString why = storeAll(run, writer); !why.isEmpty())
        return why;
    return writer.commit();
}

} // namespace

ImportResult countContacts(const ImportRequest& request, const ImportProgress& progress) {
    ImportRun run(request, progress);
    if (!run.open())
        return run.finish(run.result().failure);
    return run.finish(run.read([&run](const Contact&) {
        ++run.result().added;
        return QString();
    }));
}

ImportResult importContacts(const ImportRequest& request, const ImportProgress& progress) {
    ImportRun run(request, progress);
    if (!run.open())
        return run.finish(run.result().failure);
    const QString& book = request.book;
    if (fileIsAccessDatabase(book))
        // The old program's own file where the book belongs: it has to make way first.
        return run.finish(
            QStringLiteral("\"%1\" is an Access file, not a Rolvane address book. Move it "
                           "elsewhere, then bring its contacts over from its new place.")
                .arg(book));
    if (QFileInfo::exists(book) || QFileInfo(book).isSymLink())
        return run.finish(importInto(run, book, ContactWriter::Book::Existing));
    if (QString why = makeFolderFor(book); !why.isEmpty())
        return run.finish(why);
    run.result().madeBook = true;
    QString why = creationWords(createAddressBook(book, [&run](const QString& building) {
        return importInto(run, building, ContactWriter::Book::NewImport);
    }));
    if (!why.isEmpty())
        run.result().madeBook = false;
    return run.finish(why);
}

} // namespace rolvane::exchange
