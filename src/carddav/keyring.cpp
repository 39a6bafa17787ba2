// SPDX-License-Identifier: GPL-3.0-or-later
// libsecret's blocking calls are fine here: the tool asks for one password before any network
// work starts. Any error from the service is taken as "not reachable": the user can do nothing
// else about it than name a password command.
// GLib's headers come before Qt's, whose "signals" keyword they use as a name.
#ifdef ROLVANE_HAVE_LIBSECRET
#include <libsecret/secret.h>
#endif

#include "keyring.h"

#include <QDir>
#include <QFileInfo>

namespace rolvane::carddav {

namespace {

QString notReachable() {
    return QStringLiteral("No desktop keyring (Secret Service) is running to keep the password; "
                          "give one with --password-command instead.");
}

#ifdef ROLVANE_HAVE_LIBSECRET
// Each schema's name is stored with its items and matched by every lookup, so a search of the
// earlier, shared form never meets a book's own entry.
SecretSchema schemaOf(const char* name, std::initializer_list<const char*> attributes) {
    SecretSchema s{};
    s.name = name;
    s.flags = SECRET_SCHEMA_NONE;
    int i = 0;
    for (const char* attribute : attributes)
        s.attributes[i++] = {attribute, SECRET_SCHEMA_ATTRIBUTE_STRING};
    return s;
}

const SecretSchema* bookSchema() {
    static const SecretSchema s = schemaOf("org.rolvane.CardDAV.Book", {"book", "origin", "user"});
    return &s;
}

const SecretSchema* sharedSchema() {
    static const SecretSchema s = schemaOf("org.rolvane.CardDAV", {"origin", "user"});
    return &s;
}

struct ErrorGuard {
    GError* error = nullptr;
    ~ErrorGuard() {
        if (error)
            g_error_free(error);
    }
};

// The attributes to match, holding their UTF-8 texts for the table's lifetime.
class Attributes {
public:
    explicit Attributes(std::initializer_list<std::pair<const char*, QString>> pairs)
        : table_(g_hash_table_new(g_str_hash, g_str_equal)) {
        for (const auto& [name, value] : pairs) {
            texts_.append(value.toUtf8());
            g_hash_table_insert(table_, const_cast<char*>(name),
                                const_cast<char*>(texts_.back().constData()));
        }
    }
    ~Attributes() { g_hash_table_unref(table_); }
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;
    GHashTable* table() const { return table_; }

private:
    GHashTable* table_;
    QList<QByteArray> texts_;
};

Attributes attributesOf(const PasswordKey& key) {
    return Attributes{{"book", key.book}, {"origin", key.origin}, {"user", key.user}};
}

bool& mayUnlock() {
    static bool may = true;
    return may;
}

// The search that never unlocks: a locked entry is told, not opened with the unlock prompt.
std::optional<QString> lookupUnlocked(const SecretSchema* schema, const Attributes& attributes,
                                      bool& locked, QString& why) {
    locked = false;
    ErrorGuard guard;
    GList* items = secret_service_search_sync(nullptr, schema, attributes.table(),
                                              SECRET_SEARCH_LOAD_SECRETS, nullptr, &guard.error);
    if (guard.error) {
        why = notReachable();
        return std::nullopt;
    }
    std::optional<QString> password;
    if (items) {
        auto* item = static_cast<SecretItem*>(items->data);
        locked = secret_item_get_locked(item);
        if (SecretValue* value = locked ? nullptr : secret_item_get_secret(item)) {
            if (const gchar* text = secret_value_get_text(value))
                password = QString::fromUtf8(text);
            secret_value_unref(value);
        }
    }
    g_list_free_full(items, g_object_unref);
    if (locked)
        why = keyringLockedWords();
    return password;
}

std::optional<QString> lookup(const SecretSchema* schema, const Attributes& attributes,
                              const QString& user, const QString& origin, QString& why) {
    if (!mayUnlock()) {
        bool locked = false;
        QString said;
        std::optional<QString> found = lookupUnlocked(schema, attributes, locked, said);
        if (found)
            return found;
        if (!said.isEmpty()) {
            why = said;
            return std::nullopt;
        }
        why = QStringLiteral("The desktop keyring holds no password for %1 at %2 for this book; "
                             "link the book again to give it.")
                  .arg(user, origin);
        return std::nullopt;
    }
    ErrorGuard guard;
    gchar* found = secret_password_lookupv_sync(schema, attributes.table(), nullptr, &guard.error);
    if (guard.error) {
        why = notReachable();
        return std::nullopt;
    }
    if (!found) {
        why = QStringLiteral("The desktop keyring holds no password for %1 at %2 for this book; "
                             "link the book again to give it.")
                  .arg(user, origin);
        return std::nullopt;
    }
    QString password = QString::fromUtf8(found);
    secret_password_free(found);
    return password;
}
#endif

} // namespace

QString keyringLockedWords() {
    return QStringLiteral("The desktop keyring is locked, so the sync did not ask it for the "
                          "password; Sync Now asks it to unlock.");
}

QString keyringOrigin(const QUrl& server) {
    const int port = server.port(
        server.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80);
    return QStringLiteral("%1://%2:%3")
        .arg(server.scheme().toLower(), server.host().toLower())
        .arg(port);
}

PasswordKey passwordKey(const QString& bookPath, const QUrl& server, const QString& user) {
    const QFileInfo file(bookPath);
    const QString canonical = file.canonicalFilePath();
    return {canonical.isEmpty() ? QDir::cleanPath(file.absoluteFilePath()) : canonical,
            keyringOrigin(server), user};
}

#ifdef ROLVANE_HAVE_LIBSECRET

void setKeyringMayUnlock(bool may) {
    mayUnlock() = may;
}

bool keyringBuilt() {
    return true;
}

std::optional<QString> keyringPassword(const PasswordKey& key, QString& why) {
    return lookup(bookSchema(), attributesOf(key), key.user, key.origin, why);
}

std::optional<QString> sharedKeyringPassword(const QUrl& server, const QString& user,
                                             QString& why) {
    const QString origin = keyringOrigin(server);
    return lookup(sharedSchema(), Attributes{{"origin", origin}, {"user", user}}, user, origin,
                  why);
}

QString storeKeyringPassword(const PasswordKey& key, const QString& password) {
    const QByteArray label = QStringLiteral("Rolvane sync: %1 at %2 for %3")
                                 .arg(key.user, key.origin, key.book)
                                 .toUtf8();
    const QByteArray secret = password.toUtf8();
    ErrorGuard guard;
    secret_password_storev_sync(bookSchema(), attributesOf(key).table(), SECRET_COLLECTION_DEFAULT,
                                label.constData(), secret.constData(), nullptr, &guard.error);
    return guard.error ? notReachable() : QString();
}

void forgetKeyringPassword(const PasswordKey& key) {
    ErrorGuard guard;
    secret_password_clearv_sync(bookSchema(), attributesOf(key).table(), nullptr, &guard.error);
}

QStringList keyringAccounts(const QString& book) {
    ErrorGuard guard;
    GList* items = secret_password_searchv_sync(bookSchema(), Attributes{{"book", book}}.table(),
                                                SECRET_SEARCH_ALL, nullptr, &guard.error);
    QStringList accounts;
    for (GList* i = items; i; i = i->next) {
        GHashTable* found = secret_retrievable_get_attributes(SECRET_RETRIEVABLE(i->data));
        const auto text = [found](const char* name) {
            return QString::fromUtf8(static_cast<const char*>(g_hash_table_lookup(found, name)));
        };
        accounts << QStringLiteral("%1 at %2").arg(text("user"), text("origin"));
        g_hash_table_unref(found);
    }
    g_list_free_full(items, g_object_unref);
    return accounts;
}

QString keyringReachable() {
    ErrorGuard guard;
    // A lookup of a key nobody keeps answers without prompting when a service runs.
    gchar* found = secret_password_lookupv_sync(
        bookSchema(), Attributes{{"book", {}}, {"origin", {}}, {"user", {}}}.table(), nullptr,
        &guard.error);
    if (found)
        secret_password_free(found);
    return guard.error ? notReachable() : QString();
}

#else

void setKeyringMayUnlock(bool) {}

bool keyringBuilt() {
    return false;
}

std::optional<QString> keyringPassword(const PasswordKey&, QString& why) {
    why = notReachable();
    return std::nullopt;
}

std::optional<QString> sharedKeyringPassword(const QUrl&, const QString&, QString& why) {
    why = notReachable();
    return std::nullopt;
}

QString storeKeyringPassword(const PasswordKey&, const QString&) {
    return notReachable();
}

void forgetKeyringPassword(const PasswordKey&) {}

QStringList keyringAccounts(const QString&) {
    return {};
}

QString keyringReachable() {
    return notReachable();
}

#endif

} // namespace rolvane::carddav
