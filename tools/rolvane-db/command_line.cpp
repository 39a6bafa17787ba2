// SPDX-License-Identifier: GPL-3.0-or-later
// Hand-read arguments: a command, then its operand and a few options in any order.
#include "command_line.h"

namespace rolvane::tool {

namespace {

ParsedCommandLine failure(const QString& why) {
    return {std::nullopt, why};
}

} // namespace

QString usage() {
    return QStringLiteral(
        "Usage:\n"
        "  rolvane-db create [--sample] [--file PATH]\n"
        "      Creates an empty address book, or with --sample one with a dozen made-up\n"
        "      contacts.\n"
        "  rolvane-db generate N [--file PATH]\n"
        "      Creates an address book of N generated contacts (always the same ones for\n"
        "      the same N), for trying the program at size.\n"
        "  rolvane-db check [--file PATH]\n"
        "      Checks the address book for damage, its sorted index included, and says \"ok\"\n"
        "      or what is wrong. It only reads.\n"
        "  rolvane-db import FILE [--file PATH] [--table NAME]\n"
        "      Adds every contact of FILE (vCard, CSV or an Access database, told apart by\n"
        "      their content) to the address book, creating it when it does not exist. All\n"
        "      or nothing: a file that cannot be read changes nothing. --table names the\n"
        "      table of an Access file (default: Rolvane). FILE - reads standard input.\n"
        "  rolvane-db export FILE [--file PATH]\n"
        "  rolvane-db export - --format vcard|csv [--file PATH]\n"
        "      Writes every contact in last-name order: .vcf as vCard 4.0, .csv as CSV with\n"
        "      the book's own columns; - writes to standard output. An existing FILE is\n"
        "      replaced only once the new one is complete.\n"
        "  rolvane-db --help | --version\n"
        "\n"
        "Without --file the book is the program's own, ~/.local/share/Rolvane/Address "
        "Book/addy.mdb\n"
        "(its folder is created when missing). create and generate never open a file that\n"
        "exists for writing.\n");
}

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    if (arguments.isEmpty())
        return failure(QStringLiteral("no command given"));
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h")))
        return {Command{}, {}};
    if (arguments.contains(QStringLiteral("--version"))) {
        Command version;
        version.kind = Command::Kind::Version;
        return {version, {}};
    }

    Command command;
    const QString& verb = arguments.front();
    if (verb == QLatin1String("create"))
        command.kind = Command::Kind::Create;
    else if (verb == QLatin1String("generate"))
        command.kind = Command::Kind::Generate;
    else if (verb == QLatin1String("check"))
        command.kind = Command::Kind::Check;
    else if (verb == QLatin1String("import"))
        command.kind = Command::Kind::Import;
    else if (verb == QLatin1String("export"))
        command.kind = Command::Kind::Export;
    else
        return failure(QStringLiteral("unknown command \"%1\"").arg(verb));

    const bool moves =
        command.kind == Command::Kind::Import || command.kind == Command::Kind::Export;
    bool haveCount = false;
    bool haveFile = false;
    bool haveExchange = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--file")) {
            if (haveFile)
                return failure(QStringLiteral("--file is given twice"));
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
                return failure(QStringLiteral("--file needs a path"));
            command.file = arguments[++i];
            haveFile = true;
        } else if (arg == QLatin1String("--table") && command.kind == Command::Kind::Import) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
                return failure(QStringLiteral("--table needs a table name"));
            command.table = arguments[++i];
        } else if (arg == QLatin1String("--format") && command.kind == Command::Kind::Export) {
            const QString format = i + 1 < arguments.size() ? arguments[++i] : QString();
            if (format == QLatin1String("vcard"))
                command.format = Command::Format::VCard;
            else if (format == QLatin1String("csv"))
                command.format = Command::Format::Csv;
            else
                return failure(QStringLiteral("--format is vcard or csv"));
        } else if (moves && !haveExchange &&
                   (arg == QLatin1String("-") || !arg.startsWith(QLatin1Char('-')))) {
            if (arg.isEmpty())
                return failure(QStringLiteral("the contacts file name is empty"));
            command.exchange = arg;
            haveExchange = true;
        } else if (arg == QLatin1String("--sample") && command.kind == Command::Kind::Create) {
            command.sample = true;
        } else if (command.kind == Command::Kind::Generate && !haveCount &&
                   !arg.startsWith(QLatin1Char('-'))) {
            bool ok = false;
            command.count = arg.toLongLong(&ok);
            // Digits only: "1e6", "+5" or " 5" are refused rather than guessed at.
            for (QChar c : arg)
                ok = ok && c.isDigit() && c.unicode() < 0x80;
            if (!ok || command.count > kMaxGenerated)
                return failure(QStringLiteral("N must be a whole number from 0 to %1, not \"%2\"")
                                   .arg(kMaxGenerated)
                                   .arg(arg));
            haveCount = true;
        } else {
            return failure(QStringLiteral("unexpected argument \"%1\"").arg(arg));
        }
    }
    if (command.kind == Command::Kind::Generate && !haveCount)
        return failure(QStringLiteral("generate needs the number of contacts"));
    if (moves && !haveExchange)
        return failure(QStringLiteral("%1 needs the contacts file").arg(verb));
    if (command.kind == Command::Kind::Export) {
        if (command.exchange == QLatin1String("-") && command.format == Command::Format::FromName)
            return failure(QStringLiteral("export to standard output needs --format vcard or csv"));
        if (command.format == Command::Format::FromName) {
            if (command.exchange.endsWith(QLatin1String(".vcf"), Qt::CaseInsensitive))
                command.format = Command::Format::VCard;
            else if (command.exchange.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
                command.format = Command::Format::Csv;
            else
                return failure(
                    QStringLiteral("the file name must end in .vcf or .csv, or give --format"));
        }
    }
    return {command, {}};
}

} // namespace rolvane::tool
