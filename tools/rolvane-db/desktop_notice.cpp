// SPDX-License-Identifier: GPL-3.0-or-later
// org.freedesktop.Notifications over GIO's D-Bus, which the keyring's libsecret brings along
// anyway; Qt's D-Bus module would be one more library for one call.
// GLib's headers come before Qt's, whose "signals" keyword they use as a name.
#ifdef ROLVANE_HAVE_GIO
#include <gio/gio.h>
#endif

#include "desktop_notice.h"

namespace rolvane::tool {

bool notifyDesktop(const QString& summary, const QString& body) {
#ifdef ROLVANE_HAVE_GIO
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus) {
        g_clear_error(&error);
        return false;
    }
    const QByteArray s = summary.toUtf8(), b = body.toUtf8();
    GVariantBuilder actions, hints;
    g_variant_builder_init(&actions, reinterpret_cast<const GVariantType*>("as"));
    g_variant_builder_init(&hints, reinterpret_cast<const GVariantType*>("a{sv}"));
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.Notifications", "Notify",
        g_variant_new("(susssasa{sv}i)", "Rolvane", 0u, "x-office-address-book", s.constData(),
                      b.constData(), &actions, &hints, -1),
        reinterpret_cast<const GVariantType*>("(u)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
        &error);
    g_object_unref(bus);
    if (!reply) {
        g_clear_error(&error);
        return false;
    }
    g_variant_unref(reply);
    return true;
#else
    (void)summary;
    (void)body;
    return false;
#endif
}

} // namespace rolvane::tool
