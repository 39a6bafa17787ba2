// SPDX-License-Identifier: GPL-3.0-or-later
// A run that could only read a book under the write-ahead log leaves its shared-memory file
// behind with the book's read-only mode; once the book is writable again that file alone keeps
// every write from happening.
#pragma once

#include <QString>

namespace rolvane::sqlite {

// Removes the book's "-shm" file, and an empty "-wal", when they cannot be written while the book
// and its folder can, and no process has the book open (none holds a lock on the "-shm" file).
// SQLite builds the "-shm" file anew from the log at the next opening, so nothing stored depends
// on it. True when something was removed.
bool removeStaleSharedMemory(const QString& bookPath);

} // namespace rolvane::sqlite
