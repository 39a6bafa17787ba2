// SPDX-License-Identifier: GPL-3.0-or-later
// What the record source has to tell about an operation: what happened and why, as facts. The
// windows put them in words, since only they know their own buttons and keys.
#pragma once

#include "jet_dialect.h"

#include <QString>

namespace rolvane {

// Why the address book could not be opened, read or written.
struct BookProblem {
    enum class Kind {
        None,
        Missing,        // path: the book
        IsFolder,       // path: the folder named as the book
        AccessFile,     // path: an Access file where the book should be
        NotABook,       // path
        NoTable,        // path; detail: the table's name
        NoColumn,       // path; detail: the column's name
        ReadOnlyFile,   // path: the book, or the file beside it that cannot be written
        ReadOnlyFolder, // path: the folder that holds the book
        Busy,           // path
        Damaged,        // path
        DiskFull,       // path
        Unreachable,    // path; detail: the engine's words
        NotUpToDate,    // path; detail: the engine's words
        BadQuery,       // query: what is wrong with the query text; detail: a pattern at fault
        Refused,        // detail: the engine's words
        Exists,         // path: where a new book was to be made
        NotCreated,     // path; detail: the system's or the engine's words
        NotFilled,      // detail: what filling the new book said
    };
    Kind kind = Kind::None;
    QString path;
    QString detail;
    jet::QueryFault query = jet::QueryFault::None;
};

// What the user did that left the row, when a save on the way failed.
enum class Leaving { Nothing, First, Previous, Next, Last, Refresh, AddNew, Close };

struct SourceNotice {
    enum class What {
        NotOpened,        // problem
        QueryFailed,      // problem
        ListUnreadable,   // problem
        RowUnreadable,    // problem
        RowsSkipped,      // rows of the result were deleted elsewhere and skipped
        NothingToSave,    // no contact shown and nothing typed
        NothingToDelete,  // no contact shown
        DeleteConflict,   // the contact was changed or deleted elsewhere since it was shown
        DeleteFailed,     // problem
        NotSaved,         // problem, leaving, newRow: the typed text stays pending
        SaveConflict,     // leaving: changed or deleted elsewhere; the typed text stays pending
        GoneWhenRestoring // the stored contact to show again was deleted elsewhere
    };
    What what;
    BookProblem problem = {};
    Leaving leaving = Leaving::Nothing;
    bool newRow = false;
};

} // namespace rolvane
