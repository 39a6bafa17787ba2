// SPDX-License-Identifier: GPL-3.0-or-later
// A new book has no other reader while it fills: a rollback journal in place of the write-ahead
// log writes each page once instead of twice; the log is switched back on at the end. An existing
// book keeps its log, so the program may read it throughout and a kill loses only the open
// transaction.
#include "contact_writer.h"

namespace rolvane::exchange {

namespace {

// Enough page cache that the [Last Name] index stays in memory while a million rows go in.
constexpr const char* kBulkSettings = "pragma journal_mode=delete; pragma cache_size=-262144;";
// An import keeps a modest cache so that its memory stays flat in the number of contacts.
constexpr const char* kExistingSettings = "pragma cache_size=-16384;";
constexpr const char* kNewImportSettings = "pragma journal_mode=delete; pragma cache_size=-16384;";

} // namespace

ContactWriter::~ContactWriter() {
    insert_.finalize();
    if (inTransaction_)
        db_.exec("rollback");
}

QString ContactWriter::failure(const QString& doing) const {
    return QStringLiteral("Could not %1: %2.").arg(doing, db_.lastError());
}

QString ContactWriter::begin(const QString& path, Book book) {
    book_ = book;
    if (const int rc = db_.open(path); rc != SQLITE_OK || db_.isReadOnly())
        return QStringLiteral("Could not open \"%1\" to add contacts: %2.")
            .arg(path, rc != SQLITE_OK ? QString::fromUtf8(sqlite3_errstr(rc))
                                       : QStringLiteral("it is read-only"));
    const char* settings = book == Book::New         ? kBulkSettings
                           : book == Book::NewImport ? kNewImportSettings
                                                     : kExistingSettings;
    if (db_.exec(settings) != SQLITE_OK || db_.exec("begin immediate") != SQLITE_OK)
        return failure(QStringLiteral("prepare \"%1\" for contacts").arg(path));
    inTransaction_ = true;

    if (insert_.prepare(db_) != SQLITE_OK)
        return failure(QStringLiteral("prepare to add contacts"));
    return {};
}

QString ContactWriter::add(const Contact& contact) {
    ContactValues values;
    std::size_t column = 0;
    for (const std::optional<std::string>* value : columnValues(contact)) {
        if (*value)
            values[column] = **value;
        ++column;
    }
    return insert_.insert(values) == SQLITE_DONE ? QString()
                                                 : failure(QStringLiteral("add a contact"));
}

QString ContactWriter::commit() {
    insert_.finalize();
    if (db_.exec("commit") != SQLITE_OK)
        return failure(QStringLiteral("store the contacts"));
    inTransaction_ = false;
    if (book_ == Book::Existing)
        return {};
    // The program reads through the write-ahead log; an empty book gets it from creation.
    if (db_.exec("pragma journal_mode=wal") != SQLITE_OK)
        return failure(QStringLiteral("switch the book to write-ahead logging"));
    return {};
}

} // namespace rolvane::exchange
