// SPDX-License-Identifier: GPL-3.0-or-later
#include "SessionProbe.h"

#include <QDBusMessage>
#include <QDBusVariant>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

QJsonValue variable(const QProcessEnvironment &environment, const QString &name)
{
    const QString value = environment.value(name);
    return value.isEmpty() ? QJsonValue::Null : QJsonValue(value);
}

// The property's value, or none when the service, object or property is not
// there or does not answer in time.
std::optional<QVariant> property(const QDBusConnection &bus, const QString &service,
                                 const QString &path, const QString &interface, const QString &name,
                                 std::chrono::milliseconds timeout)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << interface << name;
    const QDBusMessage reply =
        bus.call(get, QDBus::BlockWithGui, static_cast<int>(timeout.count()));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().front().value<QDBusVariant>().variant();
}

} // namespace

ProbeResult SessionProbe::run() const
{
    const bool host = statusNotifierHost();
    const bool xembed = xembedTray();
    ProbeResult result;
    result.section = QJsonObject{
        {"type", sessionType()},
        {"desktop", variable(setup_.environment, QStringLiteral("XDG_CURRENT_DESKTOP"))},
        {"display", variable(setup_.environment, QStringLiteral("DISPLAY"))},
        {"wayland_display", variable(setup_.environment, QStringLiteral("WAYLAND_DISPLAY"))},
        {"session_bus", setup_.bus.has_value()},
        {"status_notifier_host", host},
        {"xembed_tray", xembed},
        {"tray", host     ? QStringLiteral("StatusNotifierItem")
                 : xembed ? QStringLiteral("XEmbed")
                          : QStringLiteral("none")},
        {"notification_server", notificationServer()},
        {"portal_global_shortcuts", portalGlobalShortcuts()}};
    return result;
}

QString SessionProbe::sessionType() const
{
    const QString declared = setup_.environment.value(QStringLiteral("XDG_SESSION_TYPE"));
    if (!declared.isEmpty())
        return declared;
    if (setup_.environment.contains(QStringLiteral("WAYLAND_DISPLAY")))
        return QStringLiteral("wayland");
    if (setup_.environment.contains(QStringLiteral("DISPLAY")))
        return QStringLiteral("x11");
    return QStringLiteral("none");
}

bool SessionProbe::statusNotifierHost() const
{
    if (!setup_.bus)
        return false;
    const std::optional<QVariant> registered = property(
        *setup_.bus, QStringLiteral("org.kde.StatusNotifierWatcher"),
        QStringLiteral("/StatusNotifierWatcher"), QStringLiteral("org.kde.StatusNotifierWatcher"),
        QStringLiteral("IsStatusNotifierHostRegistered"), setup_.busTimeout);
    return registered && registered->toBool();
}

// A tray that embeds icons owns the selection _NET_SYSTEM_TRAY_S<screen> on
// the X display.
bool SessionProbe::xembedTray() const
{
    const QByteArray display = setup_.environment.value(QStringLiteral("DISPLAY")).toLocal8Bit();
    if (display.isEmpty())
        return false;
    int screen = 0;
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(display.constData(), &screen), xcb_disconnect);
    if (xcb_connection_has_error(connection.get()))
        return false;
    const QByteArray name = QByteArrayLiteral("_NET_SYSTEM_TRAY_S") + QByteArray::number(screen);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection.get(),
                              xcb_intern_atom(connection.get(), 0,
                                              static_cast<std::uint16_t>(name.size()),
                                              name.constData()),
                              nullptr),
        std::free);
    if (!atom)
        return false;
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(
            connection.get(), xcb_get_selection_owner(connection.get(), atom->atom), nullptr),
        std::free);
    return owner && owner->owner != XCB_NONE;
}

QJsonValue SessionProbe::notificationServer() const
{
    if (!setup_.bus)
        return QJsonValue::Null;
    const QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("GetServerInformation"));
    const QDBusMessage reply =
        setup_.bus->call(ask, QDBus::BlockWithGui, static_cast<int>(setup_.busTimeout.count()));
    const QVariantList values = reply.arguments();
    if (reply.type() != QDBusMessage::ReplyMessage || values.size() < 3)
        return QJsonValue::Null;
    return QJsonObject{{"name", values[0].toString()},
                       {"vendor", values[1].toString()},
                       {"version", values[2].toString()}};
}

// The version of the portal's GlobalShortcuts interface; none where the
// portal lacks it (it is new, and not every desktop's backend has it).
QJsonValue SessionProbe::portalGlobalShortcuts() const
{
    if (!setup_.bus)
        return QJsonValue::Null;
    const std::optional<QVariant> version =
        property(*setup_.bus, QStringLiteral("org.freedesktop.portal.Desktop"),
                 QStringLiteral("/org/freedesktop/portal/desktop"),
                 QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                 QStringLiteral("version"), setup_.busTimeout);
    return version ? QJsonValue(version->toInt()) : QJsonValue::Null;
}
