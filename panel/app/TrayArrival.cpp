// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrayArrival.h"

#include "LogCategories.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <string>

namespace {

std::uint32_t atom(xcb_connection_t *connection, const std::string &name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str()),
        nullptr);
    if (!reply)
        return 0;
    const std::uint32_t value = reply->atom;
    std::free(reply);
    return value;
}

} // namespace

TrayArrival::TrayArrival(std::function<void()> arrived, QObject *parent)
    : QObject(parent), arrived_(std::move(arrived))
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        busWatcher_ = new QDBusServiceWatcher(QStringLiteral("org.kde.StatusNotifierWatcher"), bus,
                                              QDBusServiceWatcher::WatchForRegistration, this);
        connect(busWatcher_, &QDBusServiceWatcher::serviceRegistered, this, [this] {
            qCDebug(lcTray) << "a StatusNotifierItem watcher appeared";
            arrived_();
        });
    }
    watchRootWindow();
}

TrayArrival::~TrayArrival()
{
    if (traySelection_)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

// A tray manager announces itself with a MANAGER client message to the root
// window, which only reaches clients that listen for its structure events.
void TrayArrival::watchRootWindow()
{
    const auto *x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t *connection = x11->connection();
    // The first screen's tray: the one Qt docks the icon in.
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return;
    managerAtom_ = atom(connection, "MANAGER");
    traySelection_ = atom(connection, "_NET_SYSTEM_TRAY_S0");
    if (!managerAtom_ || !traySelection_)
        return;
    xcb_get_window_attributes_reply_t *attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, screen->root), nullptr);
    if (!attributes)
        return;
    const std::uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    std::free(attributes);
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

bool TrayArrival::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    const auto *client = static_cast<const xcb_client_message_event_t *>(message);
    if (client->type == managerAtom_ && client->format == 32 &&
        client->data.data32[1] == traySelection_) {
        qCDebug(lcTray) << "an X11 tray manager announced itself";
        arrived_();
    }
    return false;
}
