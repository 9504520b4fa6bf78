// SPDX-License-Identifier: GPL-3.0-or-later
#include "UdevDeviceNotifier.h"

#include <QSocketNotifier>

#include <libudev.h>

#include <cstring>

UdevDeviceNotifier::UdevDeviceNotifier(QObject *parent) : QObject(parent) {}

UdevDeviceNotifier::~UdevDeviceNotifier()
{
    socket_.reset();
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
}

bool UdevDeviceNotifier::start(Handler handler)
{
    handler_ = std::move(handler);
    udev_ = udev_new();
    if (!udev_)
        return false;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_)
        return false;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0)
        return false;
    const int fd = udev_monitor_get_fd(monitor_);
    if (fd < 0)
        return false;
    socket_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(socket_.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
    return true;
}

void UdevDeviceNotifier::readEvents()
{
    while (udev_device *device = udev_monitor_receive_device(monitor_)) {
        const char *action = udev_device_get_action(device);
        if (action && handler_) {
            if (std::strcmp(action, "add") == 0)
                handler_(Change::Arrival);
            else if (std::strcmp(action, "remove") == 0)
                handler_(Change::Removal);
        }
        udev_device_unref(device);
    }
}
