// Hand-read arguments: a command, then its operand and a few options in any order.
#include "command_line.h"

#include <optional>

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

namespace {

std::optional<Command::Kind> kindOf(const QString& verb) {
    static const std::pair<const char*, Command::Kind> verbs[] = {
        {"create", Command::Kind::Create},
        {"generate", Command::Kind::Generate},
        {"check", Command::Kind::Check},
        {"import", Command::Kind::Import},
        {"export", Command::Kind::Export}};
    for (const auto& [name, kind] : verbs)
        if (verb == QLatin1String(name))
            return kind;
    return std::nullopt;
}

// What the arguments have given so far, for the checks that span them.
struct Seen {
    bool count = false, file = false, exchange = false;
};

// The value after an option, or nothing when there is none.
std::optional<QString> valueAfter(const QStringList& arguments, qsizetype& i) {
    if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
        return std::nullopt;
    return arguments[++i];
}

std::optional<QString> parseCount(const QString& arg, Command& command) {
    bool ok = false;
    command.count = arg.toLongLong(&ok);
    // Digits only: "1e6", "+5" or " 5" are refused rather than guessed at.
    for (QChar c : arg)
        ok = ok && c.isDigit() && c.unicode() < 0x80;
    if (!ok || command.count > kMaxGenerated)
        return QStringLiteral("N must be a whole number from 0 to %1, not \"%2\"")
            .arg(kMaxGenerated)
            .arg(arg);
    return std::nullopt;
}

// Takes the argument at `i` (and its value); returns what is wrong with it, if anything.
std::optional<QString> parseArgument(const QStringList& arguments, qsizetype& i, Command& command,
                                     Seen& seen) {
    const QString& arg = arguments[i];
    const bool moves =
        command.kind == Command::Kind::Import || command.kind == Command::Kind::Export;
    if (arg == QLatin1String("--file")) {
        if (seen.file)
            return QStringLiteral("--file is given twice");
        const std::optional<QString> path = valueAfter(arguments, i);
        if (!path)
            return QStringLiteral("--file needs a path");
        command.file = *path;
        seen.file = true;
    } else if (arg == QLatin1String("--table") && command.kind == Command::Kind::Import) {
        const std::optional<QString> table = valueAfter(arguments, i);
        if (!table)
            return QStringLiteral("--table needs a table name");
        command.table = *table;
    } else if (arg == QLatin1String("--format") && command.kind == Command::Kind::Export) {
        const QString format = i + 1 < arguments.size() ? arguments[++i] : QString();
        if (format == QLatin1String("vcard"))
            command.format = Command::Format::VCard;
        else if (format == QLatin1String("csv"))
            command.format = Command::Format::Csv;
        else
            return QStringLiteral("--format is vcard or csv");
    } else if (moves && !seen.exchange &&
               (arg == QLatin1String("-") || !arg.startsWith(QLatin1Char('-')))) {
        if (arg.isEmpty())
            return QStringLiteral("the contacts file name is empty");
        command.exchange = arg;
        seen.exchange = true;
    } else if (arg == QLatin1String("--sample") && command.kind == Command::Kind::Create) {
        command.sample = true;
    } else if (command.kind == Command::Kind::Generate && !seen.count &&
               !arg.startsWith(QLatin1Char('-'))) {
        seen.count = true;
        return parseCount(arg, command);
    } else {
        return QStringLiteral("unexpected argument \"%1\"").arg(arg);
    }
    return std::nullopt;
}

// An export's format from its file name, unless --format gave it.
std::optional<QString> exportFormat(Command& command) {
    if (command.format != Command::Format::FromName)
        return std::nullopt;
    if (command.exchange == QLatin1String("-"))
        return QStringLiteral("export to standard output needs --format vcard or csv");
    if (command.exchange.endsWith(QLatin1String(".vcf"), Qt::CaseInsensitive))
        command.format = Command::Format::VCard;
    else if (command.exchange.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        command.format = Command::Format::Csv;
    else
        return QStringLiteral("the file name must end in .vcf or .csv, or give --format");
    return std::nullopt;
}

} // namespace

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
    const QString& verb = arguments.front();
    const std::optional<Command::Kind> kind = kindOf(verb);
    if (!kind)
        return failure(QStringLiteral("unknown command \"%1\"").arg(verb));
    Command command;
    command.kind = *kind;
    Seen seen;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        if (const std::optional<QString> wrong = parseArgument(arguments, i, command, seen))
            return failure(*wrong);
    if (command.kind == Command::Kind::Generate && !seen.count)
        return failure(QStringLiteral("generate needs the number of contacts"));
    const bool moves =
        command.kind == Command::Kind::Import || command.kind == Command::Kind::Export;
    if (moves && !seen.exchange)
        return failure(QStringLiteral("%1 needs the contacts file").arg(verb));
    if (command.kind == Command::Kind::Export)
        if (const std::optional<QString> wrong = exportFormat(command))
            return failure(*wrong);
    return {command, {}};
}

} // namespace rolvane::tool
