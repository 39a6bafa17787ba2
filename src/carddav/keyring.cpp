// SPDX-License-Identifier: GPL-3.0-or-later
// libsecret's blocking calls are fine here: the tool asks for one password before any network
// work starts. Any error from the service is taken as "not reachable": the user can do nothing
// else about it than name a password command.
// GLib's headers come before Qt's, whose "signals" keyword they use as a name.
#ifdef ROLVANE_HAVE_LIBSECRET
#include <libsecret/secret.h>
#endif

#include "keyring.h"

namespace rolvane::carddav {

namespace {

QString notReachable() {
    return QStringLiteral("No desktop keyring (Secret Service) is running to keep the password; "
                          "give one with --password-command instead.");
}

#ifdef ROLVANE_HAVE_LIBSECRET
const SecretSchema* schema() {
    static const SecretSchema s = {"org.rolvane.CardDAV",
                                   SECRET_SCHEMA_NONE,
                                   {{"origin", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                   0,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   nullptr};
    return &s;
}

struct ErrorGuard {
    GError* error = nullptr;
    ~ErrorGuard() {
        if (error)
            g_error_free(error);
    }
};
#endif

} // namespace

QString keyringOrigin(const QUrl& server) {
    const int port = server.port(
        server.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80);
    return QStringLiteral("%1://%2:%3")
        .arg(server.scheme().toLower(), server.host().toLower())
        .arg(port);
}

#ifdef ROLVANE_HAVE_LIBSECRET

bool keyringBuilt() {
    return true;
}

std::optional<QString> keyringPassword(const QUrl& server, const QString& user, QString& why) {
    const QByteArray origin = keyringOrigin(server).toUtf8();
    const QByteArray name = user.toUtf8();
    ErrorGuard guard;
    gchar* found =
        secret_password_lookup_sync(schema(), nullptr, &guard.error, "origin", origin.constData(),
                                    "user", name.constData(), nullptr);
    if (guard.error) {
        why = notReachable();
        return std::nullopt;
    }
    if (!found) {
        why = QStringLiteral("The desktop keyring holds no password for %1 at %2; link the book "
                             "again to give it.")
                  .arg(user, keyringOrigin(server));
        return std::nullopt;
    }
    QString password = QString::fromUtf8(found);
    secret_password_free(found);
    return password;
}

QString storeKeyringPassword(const QUrl& server, const QString& user, const QString& password) {
    const QByteArray origin = keyringOrigin(server).toUtf8();
    const QByteArray name = user.toUtf8();
    const QByteArray label =
        QStringLiteral("Rolvane sync: %1 at %2").arg(user, keyringOrigin(server)).toUtf8();
    const QByteArray secret = password.toUtf8();
    ErrorGuard guard;
    secret_password_store_sync(schema(), SECRET_COLLECTION_DEFAULT, label.constData(),
                               secret.constData(), nullptr, &guard.error, "origin",
                               origin.constData(), "user", name.constData(), nullptr);
    return guard.error ? notReachable() : QString();
}

QString keyringReachable() {
    ErrorGuard guard;
    // A lookup of a key nobody keeps answers without prompting when a service runs.
    gchar* found = secret_password_lookup_sync(schema(), nullptr, &guard.error, "origin", "",
                                               "user", "", nullptr);
    if (found)
        secret_password_free(found);
    return guard.error ? notReachable() : QString();
}

#else

bool keyringBuilt() {
    return false;
}

std::optional<QString> keyringPassword(const QUrl&, const QString&, QString& why) {
    why = notReachable();
    return std::nullopt;
}

QString storeKeyringPassword(const QUrl&, const QString&, const QString&) {
    return notReachable();
}

QString keyringReachable() {
    return notReachable();
}

#endif

} // namespace rolvane::carddav
