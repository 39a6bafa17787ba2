// SPDX-License-Identifier: GPL-3.0-or-later
// Writes contacts into a book, one transaction for the whole run, one prepared insert: a book the
// tool has just created, or an existing one that an import adds to.
#pragma once

#include "data/contact_insert.h"
#include "data/sqlite_db.h"
#include "exchange/contact.h"

#include <QString>

namespace rolvane::exchange {

using tool::Contact;

class ContactWriter {
public:
    ContactWriter() = default;
    ContactWriter(const ContactWriter&) = delete;
    ContactWriter& operator=(const ContactWriter&) = delete;
    // Rolls back whatever was not committed.
    ~ContactWriter();

    // A new book made whole (create, generate), a new book an import fills, or an existing one.
    enum class Book { New, NewImport, Existing };

    // Each returns an empty string on success, else why it failed.
    QString begin(const QString& path, Book book = Book::New);
    QString add(const Contact& contact);
    QString commit();

    // The connection of the open transaction: what it reads includes the rows added so far.
    const sqlite::Connection& connection() const { return db_; }
    // The rowid the last add gave its row.
    long long lastRowid() const { return sqlite3_last_insert_rowid(db_.get()); }

private:
    QString failure(const QString& doing) const;

    sqlite::Connection db_;
    ContactInsert insert_;
    bool inTransaction_ = false;
    Book book_ = Book::New;
};

} // namespace rolvane::exchange
