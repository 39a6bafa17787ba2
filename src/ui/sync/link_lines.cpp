// SPDX-License-Identifier: GPL-3.0-or-later
// The fields are as the set-up tool's manual page gives them; extra or missing fields make a
// line unknown rather than half-read.
#include "link_lines.h"

#include <QList>

namespace rolvane::ui {

namespace {

bool readCount(QStringView field, int& count) {
    bool ok = false;
    count = field.toInt(&ok);
    return ok && count >= 0;
}

} // namespace

LinkLine readLinkLine(QStringView text) {
    const QList<QStringView> f = text.split(QLatin1Char('\t'));
    const QStringView event = f.front();
    const auto is = [&](const char* name, qsizetype fields) {
        return event == QLatin1String(name) && f.size() == fields;
    };
    LinkLine line;
    using Kind = LinkLine::Kind;
    if (is("book", 4) && !f[1].isEmpty() && readCount(f[2], line.cards)) {
        line.kind = Kind::Book;
        line.url = f[1].toString();
        line.name = f[3].toString();
    } else if (is("here", 2) && readCount(f[1], line.contacts)) {
        line.kind = Kind::Here;
    } else if (is("contacts", 4) && f[2] == QLatin1String("cards") &&
               readCount(f[1], line.contacts) && readCount(f[3], line.cards)) {
        line.kind = Kind::Contacts;
    } else if ((is("certificate", 2) || is("redirect", 2)) && !f[1].isEmpty()) {
        line.kind = event == QLatin1String("redirect") ? Kind::Redirect : Kind::Certificate;
        line.name = f[1].toString();
    } else if (is("linked", 3)) {
        line.kind = Kind::Linked;
        line.name = f[1].toString();
        line.url = f[2].toString();
    } else if (is("result", 3) && !f[1].isEmpty()) {
        line.kind = Kind::Result;
        line.outcome = f[1].toString();
        line.words = f[2].toString();
    } else {
        line = {};
    }
    return line;
}

} // namespace rolvane::ui
