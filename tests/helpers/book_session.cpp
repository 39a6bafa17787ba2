// SPDX-License-Identifier: GPL-3.0-or-later
// A short session with the record source, run by the permission tests as an ordinary user: the
// arguments after the book's path are steps, and each prints what it saw.
//   walk          prints "names: A|B|C", the last names of the result
//   letter N      shows the contacts under letter N (A = 0)
//   save TEXT     types TEXT as the first contact's first name and saves it: "saved", "not saved"
//   chmod MODE    gives the book the octal MODE (its owner may), with the book still open
// Everything the record source told follows, one "told: ..." line each.
#include "support/test_source.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <sys/stat.h>

using namespace rolvane;

namespace {
void print(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr,
                     "usage: book_session BOOK [walk | letter N | save TEXT | chmod MODE]...\n");
        return 2;
    }
    test::Source s(args[1]);
    s.rs.Refresh();
    for (qsizetype i = 2; i < args.size(); ++i) {
        if (args[i] == QLatin1String("walk")) {
            print(QStringLiteral("names: ") +
                  (s.rs.Recordset().isEOF() ? QString() : s.walk().join(QLatin1Char('|'))));
        } else if (args[i] == QLatin1String("letter") && i + 1 < args.size()) {
            s.rs.setRecordSource(fromView(query::kLetters[args[++i].toUInt() % 26]));
            s.rs.Refresh();
        } else if (args[i] == QLatin1String("save") && i + 1 < args.size()) {
            s.rs.Recordset().MoveFirst();
            s.first().type(args[++i]);
            print(s.rs.SaveRecord() ? QStringLiteral("saved") : QStringLiteral("not saved"));
            s.rs.cancelEdits();
        } else if (args[i] == QLatin1String("chmod") && i + 1 < args.size()) {
            if (::chmod(QFile::encodeName(args[1]).constData(), args[++i].toUInt(nullptr, 8)) != 0)
                print(QStringLiteral("chmod failed"));
        }
    }
    for (const QString& told : s.messages())
        print(QStringLiteral("told: ") +
              QString(told).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    return 0;
}
