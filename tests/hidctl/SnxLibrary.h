// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SnxApi.h"

#include <string>

// A HID control library loaded by path, as the panel loads it, with its C
// interface resolved. Unloading in the destructor lets a test check that the
// library cleans up after itself.
class SnxLibrary {
public:
    explicit SnxLibrary(const std::string &path);
    ~SnxLibrary();
    SnxLibrary(const SnxLibrary &) = delete;
    SnxLibrary &operator=(const SnxLibrary &) = delete;

    // Loaded, and every entry point of the interface found.
    bool complete() const;
    std::string error() const { return error_; }

    template <typename F> F symbol(const char *name) const
    {
        return reinterpret_cast<F>(resolve(name));
    }

    decltype(&SNX_FindDeviceWithID) findDeviceWithId = nullptr;
    decltype(&SNX_CheckDeviceWithID) checkDeviceWithId = nullptr;
    decltype(&SNX_FindDevice) findDevice = nullptr;
    decltype(&SNX_CloseDevice) closeDevice = nullptr;
    decltype(&SNX_OpenHIDMonitor) openHidMonitor = nullptr;
    decltype(&SNX_CloseHIDMonitor) closeHidMonitor = nullptr;
    decltype(&SNX_GetVendorID) vendorId = nullptr;
    decltype(&SNX_GetProductID) productId = nullptr;
    decltype(&SNX_SetMonitorMsg) setMonitorMessage = nullptr;
    decltype(&SNX_HID_Output_Report_Data) outputReport = nullptr;

private:
    void *resolve(const char *name) const;

    void *handle_ = nullptr;
    std::string error_;
};
