// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProbeResult.h"

#include <QDBusConnection>
#include <QProcessEnvironment>

#include <chrono>
#include <optional>

// The session section: X11 or Wayland, the desktop, which tray the panel's
// icon would go to (a StatusNotifierItem host on the session bus, which Qt
// prefers, or an XEmbed tray on the X display), the notification server and
// whether the desktop portal offers global shortcuts. The environment and the
// session bus are seams: tests give their own and a private dbus-daemon.
// Nothing here stops the panel from working, so it finds no problems.
class SessionProbe {
public:
    struct Setup {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // None: there is no session bus.
        std::optional<QDBusConnection> bus;
        std::chrono::milliseconds busTimeout{1000};
    };

    explicit SessionProbe(Setup setup) : setup_(std::move(setup)) {}
    ProbeResult run() const;

private:
    QString sessionType() const;
    bool statusNotifierHost() const;
    bool xembedTray() const;
    QJsonValue notificationServer() const;
    QJsonValue portalGlobalShortcuts() const;

    Setup setup_;
};
