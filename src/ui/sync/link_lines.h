// SPDX-License-Identifier: GPL-3.0-or-later
// One line of `rolvane-db sync add --machine`, as the "Link to a Server" dialog uses it. A line
// it cannot read is of kind Unknown and is passed over.
#pragma once

#include <QString>
#include <QStringView>

namespace rolvane::ui {

struct LinkLine {
    enum class Kind { Unknown, Book, Here, Contacts, Certificate, Redirect, Linked, Result };
    Kind kind = Kind::Unknown;
    QString url;      // book, linked
    QString name;     // book, linked; certificate: the fingerprint; redirect: the host
    int contacts = 0; // here, contacts
    int cards = 0;    // book, contacts
    QString outcome;  // result: "done", "found", "certificate", "redirect", "merge", "busy"...
    QString words;    // result
};

LinkLine readLinkLine(QStringView line);

} // namespace rolvane::ui
