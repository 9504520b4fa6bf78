// SPDX-License-Identifier: GPL-3.0-or-later
// The C interface of the hidapi library; all state lives in HidapiController.
#include "DeviceIds.h"
#include "HidapiController.h"

#include <hidapi.h>

extern "C" {

int SNX_FindDeviceWithID(unsigned short vendorId, unsigned short productId)
{
    return HidapiController::instance().findDevice(vendorId, productId) ? 1 : 0;
}

int SNX_CheckDeviceWithID(unsigned short vendorId, unsigned short productId)
{
    return HidapiController::instance().devicePresent(vendorId, productId) ? 1 : 0;
}

int SNX_FindDevice(void)
{
    return SNX_FindDeviceWithID(DeviceIds::kVendorId, DeviceIds::kProductId);
}

void SNX_CloseDevice(void)
{
    HidapiController::instance().closeDevice();
}

void SNX_OpenHIDMonitor(SnxWindow *window)
{
    HidapiController::instance().openMonitor(window);
}

void SNX_CloseHIDMonitor(void)
{
    HidapiController::instance().closeMonitor();
}

unsigned short SNX_GetVendorID(void)
{
    return HidapiController::instance().vendorId();
}

unsigned short SNX_GetProductID(void)
{
    return HidapiController::instance().productId();
}

void SNX_SetMonitorMsg(unsigned int message)
{
    HidapiController::instance().setMonitorMessage(message);
}

int SNX_HID_Output_Report_Data(const unsigned char *report, int length)
{
    return HidapiController::instance().writeReport(report, length) ? 1 : 0;
}

int SNX_GetLastOpenError(void)
{
    return HidapiController::instance().lastOpenError();
}

int SNX_ListInterfaces(unsigned short vendorId, unsigned short productId, SnxInterface *interfaces,
                       int capacity)
{
    return HidapiController::instance().listInterfaces(vendorId, productId, interfaces, capacity);
}

const char *SNX_GetHidapiVersion(void)
{
    return hid_version_str();
}

} // extern "C"
