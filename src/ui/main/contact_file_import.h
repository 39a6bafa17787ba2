// SPDX-License-Identifier: GPL-3.0-or-later
// One contacts file taken into the book from the main window: the question, the progress dialog
// and the words of what happened. The import itself is the exchange library's.
#pragma once

#include <QString>

class QWidget;

namespace rolvane::ui {

struct FileImportOutcome {
    QString message;          // what to tell, or empty
    long long firstAdded = 0; // rowid of the first contact added; 0 when none was
};

// Reads `path`, asks whether to add its contacts to the book at `book`, and adds them; `parent`
// owns the dialogs. Nothing is stored unless the answer is Yes.
FileImportOutcome importContactFile(const QString& path, const QString& book, QWidget* parent);

} // namespace rolvane::ui
