// SPDX-License-Identifier: GPL-3.0-or-later
// The XML answers of a DAV server: a multistatus (PROPFIND, REPORT) read into plain values.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace rolvane::carddav {

struct DavProperty {
    QString ns;   // namespace URI
    QString name; // local name
    int status = 200;
    QString text;         // the text inside, trimmed (getetag, displayname, address-data...)
    QStringList hrefs;    // DAV:href elements inside (current-user-principal, home sets)
    QStringList children; // local names of the elements inside (resourcetype)
};

struct DavResponse {
    QString href;
    int status = 0; // the response's own status (a deleted member: 404), 0 when only propstats
    std::vector<DavProperty> properties;

    // The property of that local name answered with 2xx, or nothing.
    const DavProperty* property(QStringView name) const;
};

struct Multistatus {
    std::vector<DavResponse> responses;
    QString syncToken;
};

// Empty, with `error` set, for anything not a well-formed multistatus. Any DTD is refused.
std::optional<Multistatus> parseMultistatus(const QByteArray& xml, QString* error = nullptr);

// The precondition named by an error body (<error><valid-sync-token/></error>), or empty.
QString davErrorName(const QByteArray& xml);

// "HTTP/1.1 404 Not Found" -> 404; 0 when unreadable.
int statusCode(QStringView statusLine);

} // namespace rolvane::carddav
