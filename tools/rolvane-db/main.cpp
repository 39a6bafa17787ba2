// SPDX-License-Identifier: GPL-3.0-or-later
// rolvane-db: creates the address book file (empty, with sample contacts, or with N generated
// ones), checks it, and moves contacts in and out of it.
#include "book_check.h"
#include "book_location.h"
#include "command_line.h"
#include "contact_generator.h"
#include "exchange/new_book.h"
#include "export_command.h"
#include "import_command.h"
#include "rolvane_version.h"
#include "sample_contacts.h"
#include "sync_command.h"

#include <QStringList>
#include <cstdio>

using namespace rolvane::tool;
using rolvane::exchange::ContactSource;
using rolvane::exchange::makeBook;

namespace {

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

ContactSource sampleSource() {
    return [](const auto& add) {
        for (const Contact& c : sampleContacts()) {
            if (QString why = add(c); !why.isEmpty())
                return why;
        }
        return QString();
    };
}

ContactSource generatedSource(long long count) {
    return [count](const auto& add) {
        ContactGenerator generator;
        Contact c;
        for (long long i = 0; i < count; ++i) {
            generator.next(c);
            if (QString why = add(c); !why.isEmpty())
                return why;
        }
        return QString();
    };
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!arguments.isEmpty() && arguments.front() == QLatin1String("sync"))
        return runSyncCommand(arguments.mid(1));

    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (!parsed.command) {
        print(stderr, QStringLiteral("rolvane-db: %1\n\n").arg(parsed.error) + usage() +
                          QStringLiteral("\nSync with a CardDAV server:\n") + syncUsage());
        return 2;
    }
    const Command& command = *parsed.command;
    switch (command.kind) {
    case Command::Kind::Help:
        print(stdout, usage() + QStringLiteral("\nSync with a CardDAV server:\n") + syncUsage());
        return 0;
    case Command::Kind::Version:
        print(stdout, QStringLiteral("rolvane-db %1\n").arg(QLatin1String(rolvane::kVersion)));
        return 0;
    case Command::Kind::Import:
        return runImport(command);
    case Command::Kind::Export:
        return runExport(command);
    case Command::Kind::Create:
    case Command::Kind::Generate:
    case Command::Kind::Check:
        break;
    }

    const QString path = bookPath(command.file);
    if (command.kind == Command::Kind::Check) {
        const CheckResult result = checkBook(path);
        print(result.ok ? stdout : stderr,
              (result.ok ? QString() : QStringLiteral("rolvane-db: ")) + result.report +
                  QLatin1Char('\n'));
        return result.ok ? 0 : 1;
    }
    ContactSource contacts;
    QString done = QStringLiteral("Created the empty address book \"%1\".\n").arg(path);
    if (command.kind == Command::Kind::Generate) {
        contacts = generatedSource(command.count);
        done = QStringLiteral("Created \"%1\" with %2 generated contacts.\n")
                   .arg(path)
                   .arg(command.count);
    } else if (command.sample) {
        contacts = sampleSource();
        done = QStringLiteral("Created \"%1\" with %2 sample contacts.\n")
                   .arg(path)
                   .arg(sampleContacts().size());
    }
    if (const QString why = makeBook(path, contacts); !why.isEmpty()) {
        print(stderr, QStringLiteral("rolvane-db: %1\n").arg(why));
        return 1;
    }
    print(stdout, done);
    return 0;
}
