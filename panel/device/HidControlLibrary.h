// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SnxApi.h"

#include <optional>
#include <string>

// The HID control library, loaded at run time from a path. Every call is safe
// when the library or one of its entry points is missing: it then does nothing
// and reports failure (0).
class HidControlLibrary {
public:
    // Its name in the program folder.
    static constexpr const char *kFileName = "NUVAUDIOCTL.so";

    HidControlLibrary() = default;
    ~HidControlLibrary();
    HidControlLibrary(const HidControlLibrary &) = delete;
    HidControlLibrary &operator=(const HidControlLibrary &) = delete;

    // Loads the library and resolves its ten entry points, and the optional
    // open-error report; false when the file cannot be loaded. Entry points it
    // lacks stay unresolved without a word.
    bool load(const std::string &path);
    void unload();
    bool isLoaded() const { return handle_ != nullptr; }
    std::string loadError() const { return loadError_; }
    // Opaque handle, so tests can reach extra exports of the same module.
    void *handle() const { return handle_; }

    int findDeviceWithId(unsigned short vendorId, unsigned short productId) const;
    int checkDeviceWithId(unsigned short vendorId, unsigned short productId) const;
    int findDevice() const;
    void closeDevice() const;
    void openHidMonitor(SnxWindow *window) const;
    void closeHidMonitor() const;
    unsigned short vendorId() const;
    unsigned short productId() const;
    void setMonitorMessage(unsigned int message) const;
    int outputReport(const unsigned char *report, int length) const;
    // Why the last findDeviceWithId opened nothing, as an errno value; empty
    // when the library does not tell.
    std::optional<int> lastOpenError() const;

private:
    struct EntryPoints {
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
        decltype(&SNX_GetLastOpenError) lastOpenError = nullptr; // optional
    };

    template <typename F> void resolve(F &slot, const char *name);

    void *handle_ = nullptr;
    std::string loadError_;
    EntryPoints entry_;
};
