// SPDX-License-Identifier: GPL-3.0-or-later
// A real address book file in a temporary folder, and direct SQL on it to set up and check rows.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <initializer_list>
#include <utility>

namespace rolvane::test {

class TestBook {
public:
    // Creates an empty address book, unless `create` is false (the path is then free).
    explicit TestBook(bool create = true);
    QString path() const { return path_; }
    QString folder() const { return dir_.path(); }

    // Inserts one contact; columns not named stay empty (NULL). Returns its rowid.
    qint64 insert(std::initializer_list<std::pair<const char*, QString>> columns);
    // Inserts contacts by last name only.
    void insertLastNames(const QStringList& lastNames);
    // Runs SQL returning one value, as text ("" for NULL or no row).
    QString value(const QString& sql) const;
    int count(const QString& where = QString()) const;
    // Runs SQL that returns nothing; fails the test on error.
    void exec(const QString& sql) const;

private:
    QTemporaryDir dir_;
    QString path_;
};

} // namespace rolvane::test
