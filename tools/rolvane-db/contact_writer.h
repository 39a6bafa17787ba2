// Writes contacts into a book the tool has just created: one transaction, one prepared insert.
#pragma once

#include "contact.h"
#include "data/contact_insert.h"
#include "data/sqlite_db.h"

#include <QString>

namespace rolvane::tool {

class ContactWriter {
public:
    ContactWriter() = default;
    ContactWriter(const ContactWriter&) = delete;
    ContactWriter& operator=(const ContactWriter&) = delete;
    // Rolls back whatever was not committed.
    ~ContactWriter();

    // Each returns an empty string on success, else why it failed.
    QString begin(const QString& path);
    QString add(const Contact& contact);
    QString commit();

private:
    QString failure(const QString& doing) const;

    sqlite::Connection db_;
    ContactInsert insert_;
    bool inTransaction_ = false;
};

} // namespace rolvane::tool
