// SPDX-License-Identifier: GPL-3.0-or-later
// The book is filled under its temporary name, so a book that could not be filled never appears
// at the path and cannot make the next attempt refuse it.
#include "new_book.h"

#include "book_location.h"
#include "contact_writer.h"
#include "data/address_book_file.h"

#include <QFileInfo>

namespace rolvane::tool {

namespace {

QString fill(const QString& path, const ContactSource& contacts) {
    ContactWriter writer;
    if (QString why = writer.begin(path); !why.isEmpty())
        return why;
    if (QString why = contacts([&writer](const Contact& c) { return writer.add(c); });
        !why.isEmpty())
        return why;
    return writer.commit();
}

} // namespace

QString makeBook(const QString& path, const ContactSource& contacts) {
    // Checked before any folder is made, so a refusal changes nothing at all.
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return QStringLiteral("\"%1\" already exists; it was left unchanged.").arg(path);
    if (QString why = makeFolderFor(path); !why.isEmpty())
        return why;
    if (!contacts)
        return createAddressBook(path);
    return createAddressBook(
        path, [&contacts](const QString& building) { return fill(building, contacts); });
}

} // namespace rolvane::tool
