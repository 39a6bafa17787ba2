// Hand-read arguments: three commands, each with a few options, in any order after the command.
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
        "  rolvane-db --help | --version\n"
        "\n"
        "Without --file the book is the program's own, ~/.local/share/Rolvane/Address "
        "Book/addy.mdb\n"
        "(its folder is created when missing). A file that exists is never opened for writing.\n");
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
    else
        return failure(QStringLiteral("unknown command \"%1\"").arg(verb));

    bool haveCount = false;
    bool haveFile = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--file")) {
            if (haveFile)
                return failure(QStringLiteral("--file is given twice"));
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
                return failure(QStringLiteral("--file needs a path"));
            command.file = arguments[++i];
            haveFile = true;
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
    return {command, {}};
}

} // namespace rolvane::tool
