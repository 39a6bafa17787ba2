// SPDX-License-Identifier: GPL-3.0-or-later
// The public suffix list is the newest one installed (Debian's publicsuffix package), else the
// one built into libpsl. Without it, "a.co.uk" and "b.co.uk" would look like one domain.
#include "redirect_hosts.h"

#include <QHostAddress>
#include <QUrl>
#include <libpsl.h>
#include <memory>

namespace rolvane::carddav {

namespace {

const psl_ctx_t* suffixList() {
    struct Free {
        void operator()(psl_ctx_t* list) const { psl_free(list); }
    };
    // psl_latest hands over a list of its own; psl_builtin's must not be freed.
    static const std::unique_ptr<psl_ctx_t, Free> latest(psl_latest(nullptr));
    return latest ? latest.get() : psl_builtin();
}

// Empty for addresses, "localhost" and public suffixes, which match only themselves.
QByteArray registrableDomain(const QString& host) {
    if (!QHostAddress(host).isNull() || host == QLatin1String("localhost"))
        return {};
    const psl_ctx_t* list = suffixList();
    const QByteArray name = host.toUtf8();
    const char* domain = list ? psl_registrable_domain(list, name.constData()) : nullptr;
    return domain ? QByteArray(domain) : QByteArray();
}

} // namespace

QString normalHost(const QString& host) {
    QUrl url;
    url.setHost(host, QUrl::StrictMode);
    // QUrl lowers the case and gives international names in their xn-- form.
    QString name = url.isValid() ? url.host(QUrl::EncodeUnicode) : QString();
    if (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    return name;
}

bool mayFollowHost(const QString& from, const QString& to, const QStringList& confirmed) {
    const QString a = normalHost(from), b = normalHost(to);
    if (b.isEmpty())
        return false;
    if (a == b)
        return true;
    for (const QString& host : confirmed)
        if (normalHost(host) == b)
            return true;
    const QByteArray domain = registrableDomain(a);
    return !domain.isEmpty() && domain == registrableDomain(b);
}

} // namespace rolvane::carddav
