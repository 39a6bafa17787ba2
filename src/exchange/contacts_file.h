// SPDX-License-Identifier: GPL-3.0-or-later
// A contacts file opened for reading (or standard input), its format told from its content, and
// the one loop that reads its contacts whatever the format.
#pragma once

#include "exchange/card.h"
#include "exchange/contact.h"
#include "exchange/file_format.h"

#include <QFile>
#include <QString>
#include <functional>

namespace rolvane::exchange {

using tool::Contact;

struct ContactsFile {
    QString path;    // as given; "-" for standard input
    QString name;    // how messages name it: the path, or "standard input"
    QString display; // how a summary names it: the file name, or "standard input"
    QFile input;
    FileFormat format = FileFormat::Unknown;

    bool fromStdin() const { return path == QLatin1String("-"); }
    // How far the reading has come, or -1 when that cannot be told.
    int percentRead() const;
};

// Opens `path` ("-": standard input) and tells its format. Empty on success, else why not, in
// the words every caller shows.
QString openContactsFile(const QString& path, ContactsFile& file);

struct ContactHandlers {
    // Returns false to stop reading.
    std::function<bool(const Contact&)> contact;
    // A damaged part that was skipped, already located ("contacts.vcf, line 12: ...").
    std::function<void(const QString&)> warning;
    // What each card held that the book has no place for is added here.
    Unkept* unkept = nullptr;
};

// Reads every contact of `file` (of `table`, for an Access file). Returns why the file could not
// be read, or empty when it was read to the end or `handlers.contact` stopped it.
QString readContacts(ContactsFile& file, const QString& table, const ContactHandlers& handlers);

} // namespace rolvane::exchange
