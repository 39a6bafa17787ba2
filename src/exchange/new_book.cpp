// SPDX-License-Identifier: GPL-3.0-or-later
// The book is filled under its temporary name, so a book that could not be filled never appears
// at the path and cannot make the next attempt refuse it.
#include "new_book.h"

#include "contact_writer.h"
#include "data/address_book_file.h"

#include <QDir>
#include <QFileInfo>

namespace rolvane::exchange {

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

QString creationWords(const BookProblem& problem) {
    switch (problem.kind) {
    case BookProblem::Kind::None:
        return {};
    case BookProblem::Kind::Exists:
        return QStringLiteral("\"%1\" already exists; it was left unchanged.").arg(problem.path);
    case BookProblem::Kind::NotFilled:
        return problem.detail;
    default:
        return QStringLiteral("Could not create \"%1\": %2.").arg(problem.path, problem.detail);
    }
}

QString makeFolderFor(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    if (QFileInfo(folder).isDir())
        return {};
    if (!QDir().mkpath(folder))
        return QStringLiteral("Could not create the folder \"%1\".").arg(folder);
    return {};
}

QString refuseExisting(const QString& path) {
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return QStringLiteral("\"%1\" already exists; it was left unchanged.").arg(path);
    return {};
}

QString makeBook(const QString& path, const ContactSource& contacts) {
    // Checked before any folder is made, so a refusal changes nothing at all.
    if (QString why = refuseExisting(path); !why.isEmpty())
        return why;
    if (QString why = makeFolderFor(path); !why.isEmpty())
        return why;
    if (!contacts)
        return creationWords(createAddressBook(path));
    return creationWords(createAddressBook(
        path, [&contacts](const QString& building) { return fill(building, contacts); }));
}

} // namespace rolvane::exchange
