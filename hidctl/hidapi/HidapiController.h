// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SnxApi.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class HidDeviceHandle;
class InputReportReader;

// The library's one current device and its monitor, behind the C interface.
// Every operation is safe in any order, with or without a device, from any
// thread.
class HidapiController {
public:
    static HidapiController &instance();

    HidapiController();
    ~HidapiController();
    HidapiController(const HidapiController &) = delete;
    HidapiController &operator=(const HidapiController &) = delete;

    // Opens the first usable device with these ids; it replaces the current
    // one. When none opens, the current device stays.
    bool findDevice(unsigned short vendorId, unsigned short productId);
    // Why the last findDevice opened nothing (0 when it opened a device).
    int lastOpenError() const { return lastOpenError_; }
    bool devicePresent(unsigned short vendorId, unsigned short productId) const;
    // The interfaces with these ids in the order findDevice tries them; the
    // first capacity go into interfaces. Returns how many there are.
    int listInterfaces(unsigned short vendorId, unsigned short productId, SnxInterface *interfaces,
                       int capacity) const;
    void closeDevice();

    // Without a device or a window there is nothing to monitor.
    void openMonitor(SnxWindow *window);
    void closeMonitor();
    void setMonitorMessage(unsigned int message) { monitorMessage_ = message; }

    unsigned short vendorId() const;
    unsigned short productId() const;

    // The bytes go out as they are; the first is the report id.
    bool writeReport(const unsigned char *report, int length);

private:
    void closeDeviceLocked();

    const bool hidapiReady_;
    mutable std::mutex mutex_;
    std::shared_ptr<HidDeviceHandle> device_;
    unsigned short vendorId_ = 0;
    unsigned short productId_ = 0;
    std::atomic<unsigned int> monitorMessage_{0};
    std::atomic<int> lastOpenError_{0};
    std::unique_ptr<InputReportReader> monitor_;
};
