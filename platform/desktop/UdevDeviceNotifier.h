// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DeviceNotifier.h"

#include <QObject>

#include <memory>

struct udev;
struct udev_monitor;
class QSocketNotifier;

// Watches the kernel's hidraw devices through a libudev monitor; its socket
// is read by the Qt event loop, so notices run on the UI thread.
class UdevDeviceNotifier : public QObject, public DeviceNotifier {
public:
    explicit UdevDeviceNotifier(QObject *parent = nullptr);
    ~UdevDeviceNotifier() override;

    bool start(Handler handler) override;

private:
    void readEvents();

    udev *udev_ = nullptr;
    udev_monitor *monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> socket_;
    Handler handler_;
};
