// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>
#include <functional>

class QDBusServiceWatcher;

// Tells when a notification area may have come (or come back): an X11 tray
// manager announcing itself on the screen's root window, or a
// StatusNotifierItem watcher appearing on the session bus. Nothing is polled,
// so an idle panel without a tray is not woken.
class TrayArrival : public QObject, public QAbstractNativeEventFilter {
public:
    explicit TrayArrival(std::function<void()> arrived, QObject *parent = nullptr);
    ~TrayArrival() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override;

private:
    void watchRootWindow();

    std::function<void()> arrived_;
    QDBusServiceWatcher *busWatcher_ = nullptr;
    std::uint32_t managerAtom_ = 0;
    std::uint32_t traySelection_ = 0;
};
