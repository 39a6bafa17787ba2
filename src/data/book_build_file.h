// SPDX-License-Identifier: GPL-3.0-or-later
// The temporary file a new address book is built in, beside the book's place. It holds an
// exclusive lock for as long as it is open: that is how a later creation tells a build still
// running from what a killed one left behind.
#pragma once

#include <QString>
#include <QTemporaryFile>
#include <memory>

namespace rolvane {

class BookBuildFile {
public:
    BookBuildFile() = default;
    BookBuildFile(const BookBuildFile&) = delete;
    BookBuildFile& operator=(const BookBuildFile&) = delete;
    // Removes the file and what SQLite left beside it, by name only: a book already linked into
    // place lives on under its own name.
    ~BookBuildFile();

    // Makes ".<book name>.XXXXXX" beside `bookPath`, locked, with the permissions any new file of
    // the user's gets. Empty on success, else why not.
    QString open(const QString& bookPath);
    QString path() const { return file_ ? file_->fileName() : QString(); }

private:
    std::unique_ptr<QTemporaryFile> file_;
};

// Removes what killed builds of the book at `bookPath` left: files named as a build file is that
// no build holds locked, with their journal and log. Nothing else is touched.
void removeStaleBuilds(const QString& bookPath);

} // namespace rolvane
