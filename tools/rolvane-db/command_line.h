// SPDX-License-Identifier: GPL-3.0-or-later
// What the set-up tool was asked to do, read from its arguments, and the usage text.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace rolvane::tool {

struct Command {
    enum class Kind { Help, Version, Create, Generate, Check, Import, Export };
    enum class Format { FromName, VCard, Csv };
    Kind kind = Kind::Help;
    bool sample = false; // create only
    long long count = 0; // generate only
    QString file;        // empty: the program's fixed address book
    QString exchange;    // import and export: the contacts file, "-" for standard input or output
    QString table;       // import of an Access file: the table to read
    Format format = Format::FromName; // export only
    bool keepDuplicates = false;      // import only
};

struct ParsedCommandLine {
    std::optional<Command> command;
    QString error; // set when command is empty
};

// The largest book generate makes; beyond it a typo is likelier than a wish.
inline constexpr long long kMaxGenerated = 100'000'000;

// `arguments` without the program name.
ParsedCommandLine parseCommandLine(const QStringList& arguments);
QString usage();

} // namespace rolvane::tool
