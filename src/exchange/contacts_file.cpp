// SPDX-License-Identifier: GPL-3.0-or-later
// Standard input is read like a file, except by the Access reader, which is handed a temporary
// copy: libmdb wants a file it can seek in.
#include "contacts_file.h"

#include "exchange/access_reader.h"
#include "exchange/byte_source.h"
#include "exchange/contact_mapping.h"
#include "exchange/csv_reader.h"
#include "exchange/vcard_reader.h"

#include <QFileInfo>
#include <QTemporaryFile>

namespace rolvane::exchange {

namespace {

QString where(const QString& name, long long line) {
    return line > 0 ? QStringLiteral("%1, line %2").arg(name).arg(line) : name;
}

QString copyToTemporary(QIODevice& in, QTemporaryFile& copy) {
    if (!copy.open())
        return QStringLiteral("Could not make a temporary copy of standard input.");
    char chunk[1 << 16];
    for (qint64 got; (got = in.read(chunk, sizeof chunk)) > 0;)
        if (copy.write(chunk, got) != got)
            return QStringLiteral("Could not make a temporary copy of standard input: %1.")
                .arg(copy.errorString());
    copy.flush();
    return {};
}

} // namespace

int ContactsFile::percentRead() const {
    if (fromStdin() || format == FileFormat::Access || input.size() <= 0)
        return -1;
    return int(input.pos() * 100 / input.size());
}

QString openContactsFile(const QString& path, ContactsFile& file) {
    file.path = path;
    file.name = file.fromStdin() ? QStringLiteral("standard input") : path;
    file.display = file.fromStdin() ? file.name : QFileInfo(path).fileName();
    if (file.fromStdin() ? !file.input.open(stdin, QIODevice::ReadOnly)
                         : (file.input.setFileName(path), !file.input.open(QIODevice::ReadOnly)))
        return QStringLiteral("Could not read \"%1\": %2.")
            .arg(file.name, file.input.errorString());
    if (!file.fromStdin() && QFileInfo(path).isDir())
        return QStringLiteral("\"%1\" is a folder, not a contacts file.").arg(file.name);
    file.format = detectFormat(file.input.peek(512));
    if (file.format == FileFormat::Unknown)
        return QStringLiteral("\"%1\" is not a vCard, CSV or Access file; nothing was imported.")
            .arg(file.name);
    return {};
}

QString readContacts(ContactsFile& file, const QString& table, const ContactHandlers& handlers) {
    ReadCallbacks callbacks;
    callbacks.warning = [&](const Problem& p) {
        handlers.warning(
            QStringLiteral("%1: %2").arg(where(file.name, p.line), QString::fromStdString(p.text)));
    };
    Contact contact;
    callbacks.card = [&](Card& card) {
        if (handlers.unkept)
            *handlers.unkept += card.unkept;
        if (!toContact(card, contact)) {
            callbacks.warning({card.line, "the contact holds nothing to store; skipped"});
            return true;
        }
        return handlers.contact(contact);
    };
    std::optional<Problem> problem;
    if (file.format == FileFormat::Access) {
        QString path = file.path;
        QTemporaryFile copy;
        if (file.fromStdin()) {
            if (QString why = copyToTemporary(file.input, copy); !why.isEmpty())
                return why;
            path = copy.fileName();
        }
        problem = readAccess(path, table, callbacks);
    } else {
        ByteSource source(file.input);
        problem = file.format == FileFormat::VCard ? readVCards(source, callbacks)
                                                   : readCsv(source, callbacks);
    }
    if (problem)
        return QStringLiteral("%1: %2; nothing was imported.")
            .arg(where(file.name, problem->line), QString::fromStdString(problem->text));
    return {};
}

} // namespace rolvane::exchange
