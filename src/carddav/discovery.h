// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the address books behind the address a user gives, and making a new one.
#pragma once

#include "http_client.h"
#include "sync_result.h"

#include <QString>
#include <QUrl>
#include <vector>

namespace rolvane::carddav {

struct AddressBook {
    QUrl url;
    QString name;          // display name, or the last part of the path
    bool version4 = false; // the server takes vCard 4.0
};

struct Discovered {
    std::vector<AddressBook> books;
    QUrl home;     // where new address books go; empty when none was found
    QString error; // plain words; empty on success
};

// URL itself when it is an address book; otherwise its current-user-principal (or that of
// /.well-known/carddav), the principal's addressbook-home-set and the address books in it.
Discovered discover(HttpClient& client, const QUrl& start);

// Makes the address book `name` in `home` with extended MKCOL; empty on success, else why not.
QString makeAddressBook(HttpClient& client, const QUrl& home, const QString& name,
                        AddressBook& made);

// Why an answer failed, in plain words ("the server refused the user name or password").
QString answerProblem(const HttpResponse& response);
// The same words with the answer's kind.
SyncResult answerFailure(const HttpResponse& response);

} // namespace rolvane::carddav
