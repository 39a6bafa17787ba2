// SPDX-License-Identifier: GPL-3.0-or-later
// A field never holds a tab or a line end, so every line splits the same way whatever a
// contact's name or a server's message holds.
#include "sync_machine_lines.h"

#include <cstdio>

namespace rolvane::tool {

namespace {

using carddav::SyncPhase;

QString field(QString text) {
    for (QChar& c : text)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return text;
}

QString joined(const QStringList& fields) {
    QStringList clean;
    for (const QString& f : fields)
        clean << field(f);
    return clean.join(QLatin1Char('\t'));
}

// "no book" -> "no-book": a kind is one word, so a reader can compare it.
QString kindWord(carddav::SyncKind kind) {
    return QString::fromLatin1(carddav::kindName(kind))
        .toLower()
        .replace(QLatin1Char(' '), QLatin1Char('-'));
}

} // namespace

QString progressLine(const carddav::SyncProgress& p) {
    QString phase, words;
    switch (p.phase) {
    case SyncPhase::Sending:
        phase = QStringLiteral("sending");
        words = QStringLiteral("Sending the changes made here: %1 of %2").arg(p.done).arg(p.total);
        break;
    case SyncPhase::Listing:
        phase = QStringLiteral("listing");
        words = QStringLiteral("Asking the server what changed: %1 cards so far").arg(p.done);
        break;
    case SyncPhase::Fetching:
        phase = QStringLiteral("fetching");
        words =
            QStringLiteral("Fetching the cards changed there: %1 of %2").arg(p.done).arg(p.total);
        break;
    }
    return joined({QStringLiteral("progress"), phase, QString::number(p.done),
                   QString::number(p.total), words});
}

QString warningLine(const QString& words) {
    return joined({QStringLiteral("warning"), words});
}

QString conflictLine(const QString& name) {
    return joined({QStringLiteral("conflict"), name});
}

QString resultLine(const carddav::SyncSummary& s, const QString& words) {
    QStringList fields{QStringLiteral("result"), kindWord(s.stop.kind())};
    for (int count :
         {s.newHere, s.changedHere, s.deletedHere, s.sent, s.deletedThere, s.conflicts, s.paired})
        fields << QString::number(count);
    fields << words;
    return joined(fields);
}

QString machineLine(const QStringList& fields) {
    return joined(fields);
}

void printMachineLine(const QString& line) {
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

} // namespace rolvane::tool
