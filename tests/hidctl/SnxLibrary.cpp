// SPDX-License-Identifier: GPL-3.0-or-later
#include "SnxLibrary.h"

#include <dlfcn.h>

SnxLibrary::SnxLibrary(const std::string &path)
{
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char *message = dlerror();
        error_ = message ? message : "cannot load " + path;
        return;
    }
    findDeviceWithId = symbol<decltype(findDeviceWithId)>("SNX_FindDeviceWithID");
    checkDeviceWithId = symbol<decltype(checkDeviceWithId)>("SNX_CheckDeviceWithID");
    findDevice = symbol<decltype(findDevice)>("SNX_FindDevice");
    closeDevice = symbol<decltype(closeDevice)>("SNX_CloseDevice");
    openHidMonitor = symbol<decltype(openHidMonitor)>("SNX_OpenHIDMonitor");
    closeHidMonitor = symbol<decltype(closeHidMonitor)>("SNX_CloseHIDMonitor");
    vendorId = symbol<decltype(vendorId)>("SNX_GetVendorID");
    productId = symbol<decltype(productId)>("SNX_GetProductID");
    setMonitorMessage = symbol<decltype(setMonitorMessage)>("SNX_SetMonitorMsg");
    outputReport = symbol<decltype(outputReport)>("SNX_HID_Output_Report_Data");
}

SnxLibrary::~SnxLibrary()
{
    if (handle_)
        dlclose(handle_);
}

bool SnxLibrary::complete() const
{
    return handle_ && findDeviceWithId && checkDeviceWithId && findDevice && closeDevice &&
           openHidMonitor && closeHidMonitor && vendorId && productId && setMonitorMessage &&
           outputReport;
}

void *SnxLibrary::resolve(const char *name) const
{
    return handle_ ? dlsym(handle_, name) : nullptr;
}
