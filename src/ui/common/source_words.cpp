// SPDX-License-Identifier: GPL-3.0-or-later
// Each message names what failed, why, and what the user can do next with this window's keys.
#include "source_words.h"

namespace rolvane::ui {

namespace {

QString leavingWords(Leaving leaving) {
    switch (leaving) {
    case Leaving::Nothing:
        return {};
    case Leaving::First:
        return QStringLiteral(" before moving to the first one");
    case Leaving::Previous:
        return QStringLiteral(" before moving to the previous one");
    case Leaving::Next:
        return QStringLiteral(" before moving to the next one");
    case Leaving::Last:
        return QStringLiteral(" before moving to the last one");
    case Leaving::Refresh:
        return QStringLiteral(" before showing the contacts you asked for");
    case Leaving::AddNew:
        return QStringLiteral(" before beginning a new one");
    case Leaving::Close:
        return QStringLiteral(" before closing");
    }
    return {};
}

QString queryFaultWords(jet::QueryFault fault, const QString& pattern) {
    using jet::QueryFault;
    switch (fault) {
    case QueryFault::None:
        break;
    case QueryFault::UnclosedQuote:
        return QStringLiteral("a text in quotes is not closed.");
    case QueryFault::UnclosedName:
        return QStringLiteral("a name in brackets is not closed.");
    case QueryFault::NulCharacter:
        return QStringLiteral("the query text holds a NUL character outside a text in quotes.");
    case QueryFault::SeveralStatements:
        return QStringLiteral("the query text holds more than one statement.");
    case QueryFault::NotSelectAll:
        return QStringLiteral("the query text does not begin with \"select *\".");
    case QueryFault::LikeMisplaced:
        return QStringLiteral("\"like\" must stand between a column name and a text in quotes.");
    case QueryFault::BadPattern:
        return QStringLiteral("the pattern '%1' is not valid.").arg(pattern);
    }
    return QStringLiteral("the query text cannot be run.");
}

QString notSaved(const SourceNotice& notice) {
    QString text = notice.newRow
                       ? QStringLiteral("The new contact could not be saved")
                       : QStringLiteral("Your changes to this contact could not be saved");
    text += leavingWords(notice.leaving) + QLatin1String(": ") + describe(notice.problem);
    if (notice.leaving == Leaving::Close)
        return text + QStringLiteral("\n\nThe window stays open so that nothing you typed is "
                                     "lost. Press Esc to drop what you typed, or End to quit "
                                     "without saving it.");
    return text + QStringLiteral("\n\nWhat you typed is still on screen. Try again, or press Esc "
                                 "to drop it and show what is stored; a letter or Search then "
                                 "shows the address book as it is now.");
}

} // namespace

QString describe(const BookProblem& problem) {
    using Kind = BookProblem::Kind;
    const QString& path = problem.path;
    switch (problem.kind) {
    case Kind::None:
        return {};
    case Kind::Missing:
        return QStringLiteral("the file \"%1\" was not found. Create it with the set-up tool: "
                              "rolvane-db create --sample")
            .arg(path);
    case Kind::IsFolder:
        return QStringLiteral("\"%1\" is a folder, not an address book file.").arg(path);
    case Kind::AccessFile:
        return QStringLiteral("\"%1\" is an Access file from an earlier address book, which "
                              "Rolvane does not open. Move it to another folder, then bring its "
                              "contacts over with the set-up tool: rolvane-db import \"NEW PLACE "
                              "OF THE FILE\"")
            .arg(path);
    case Kind::NotABook:
        return QStringLiteral("\"%1\" is not an address book file. It has been left unchanged.")
            .arg(path);
    case Kind::NoTable:
        return QStringLiteral("the address book file \"%1\" has no contact table \"%2\".")
            .arg(path, problem.detail);
    case Kind::NoColumn:
        return QStringLiteral("the contact table in \"%1\" has no column \"%2\".")
            .arg(path, problem.detail);
    case Kind::ReadOnlyFile:
        return QStringLiteral("the file \"%1\" is read-only.").arg(path);
    case Kind::ReadOnlyFolder:
        return QStringLiteral("the folder \"%1\" that holds the address book is read-only, so the "
                              "contacts can be browsed but not changed.")
            .arg(path);
    case Kind::Busy:
        return QStringLiteral("another program is using the address book file \"%1\". "
                              "Try again in a moment.")
            .arg(path);
    case Kind::Damaged:
        return QStringLiteral("the address book file \"%1\" is damaged.").arg(path);
    case Kind::DiskFull:
        return QStringLiteral("the disk that holds \"%1\" is full.").arg(path);
    case Kind::Unreachable:
        return QStringLiteral("the address book file \"%1\" cannot be read or written (%2).")
            .arg(path, problem.detail);
    case Kind::NotUpToDate:
        return QStringLiteral("the address book \"%1\" could not be brought up to date (%2); it "
                              "was left as it was.")
            .arg(path, problem.detail);
    case Kind::BadQuery:
        return queryFaultWords(problem.query, problem.detail);
    case Kind::Refused:
        return QStringLiteral("the database engine refused it (%1).").arg(problem.detail);
    case Kind::Exists:
        return QStringLiteral("\"%1\" already exists; it was left unchanged.").arg(path);
    case Kind::NotCreated:
        return QStringLiteral("\"%1\" could not be created (%2).").arg(path, problem.detail);
    case Kind::NotFilled:
        return problem.detail;
    }
    return {};
}

QString describe(const SourceNotice& notice) {
    using What = SourceNotice::What;
    switch (notice.what) {
    case What::NotOpened:
        return QStringLiteral("Could not open the address book: ") + describe(notice.problem);
    case What::QueryFailed:
        return QStringLiteral("Could not run the query: ") + describe(notice.problem);
    case What::ListUnreadable:
        return QStringLiteral("Could not read the list of contacts: ") + describe(notice.problem);
    case What::RowUnreadable:
        return QStringLiteral("Could not show the contact: ") + describe(notice.problem);
    case What::RowsSkipped:
        return QStringLiteral("A contact of this list was deleted by another program since the "
                              "list was shown; it has been skipped.");
    case What::NothingToSave:
        return QStringLiteral("Could not save the contact: no contact is shown. Press Add to "
                              "begin a new one.");
    case What::NothingToDelete:
        return QStringLiteral("Could not delete the contact: no contact is shown.");
    case What::DeleteConflict:
        return QStringLiteral("Could not delete this contact: another program changed or deleted "
                              "it since it was shown. A letter or Search shows the address book "
                              "as it is now.");
    case What::DeleteFailed:
        return QStringLiteral("Could not delete the contact: ") + describe(notice.problem);
    case What::NotSaved:
        return notSaved(notice);
    case What::SaveConflict:
        return QStringLiteral("Your changes to this contact could not be saved%1: another "
                              "program changed or deleted this contact since it was shown.\n\n"
                              "Save My Changes writes the fields you edited over the stored "
                              "contact and keeps the other program's changes to the rest (a "
                              "contact deleted meanwhile is stored anew). Copy to Clipboard puts "
                              "all you typed on the clipboard, and Drop Changes shows the "
                              "contact as it is stored now.")
            .arg(leavingWords(notice.leaving));
    case What::GoneWhenRestoring:
        return QStringLiteral("This contact was deleted by another program. A letter or Search "
                              "shows the address book as it is now.");
    }
    return {};
}

QStringList describe(const std::vector<SourceNotice>& notices) {
    QStringList texts;
    for (const SourceNotice& notice : notices)
        texts << describe(notice);
    return texts;
}

} // namespace rolvane::ui
