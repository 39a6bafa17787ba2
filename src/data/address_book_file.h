// Creating a new, empty address book file: the contact table, its eleven columns and the index
// that serves every sorted query. Only the set-up tool and the tests create files.
#pragma once

#include <QString>

namespace rolvane {

// Creates `path` (not its folder) with the contact table. Refuses, and leaves the file alone, when
// anything exists at `path`. Returns an empty string on success, else why it failed.
QString createAddressBook(const QString& path);

} // namespace rolvane
