// SPDX-License-Identifier: GPL-3.0-or-later
// Which hosts a link's requests may be sent on to, credentials included: its own, those under the
// same registrable domain, and those the user confirmed.
#pragma once

#include <QString>
#include <QStringList>

namespace rolvane::carddav {

// `host` as hosts are compared: lower case, international names in their ASCII (xn--) form, no
// trailing dot. Empty when it is no host name or address.
QString normalHost(const QString& host);

// Whether a request for `from` may go on to `to`. Address literals and "localhost" only to
// themselves; other names when they share a registrable domain that is not a public suffix
// (www.example.com and dav.example.com, not a.co.uk and b.co.uk), or when `to` is in `confirmed`.
bool mayFollowHost(const QString& from, const QString& to, const QStringList& confirmed);

} // namespace rolvane::carddav
