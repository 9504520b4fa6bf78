// SPDX-License-Identifier: GPL-3.0-or-later
// The C interface of the simulated device; all state lives in SimulatedDevice.
#include "SimulatedDevice.h"
#include "DeviceIds.h"
#include "SimulatedDeviceApi.h"

#include <algorithm>

namespace {

SimulatedDevice &device()
{
    return SimulatedDevice::instance();
}

} // namespace

extern "C" {

int SNX_FindDeviceWithID(unsigned short vendorId, unsigned short productId)
{
    return device().findDevice(vendorId, productId) ? 1 : 0;
}

int SNX_CheckDeviceWithID(unsigned short vendorId, unsigned short productId)
{
    return device().devicePresent(vendorId, productId) ? 1 : 0;
}

int SNX_FindDevice(void)
{
    return SNX_FindDeviceWithID(DeviceIds::kVendorId, DeviceIds::kProductId);
}

void SNX_CloseDevice(void)
{
    device().closeDevice();
}

void SNX_OpenHIDMonitor(SnxWindow *window)
{
    device().openMonitor(window);
}

void SNX_CloseHIDMonitor(void)
{
    device().closeMonitor();
}

unsigned short SNX_GetVendorID(void)
{
    return device().vendorId();
}

unsigned short SNX_GetProductID(void)
{
    return device().productId();
}

void SNX_SetMonitorMsg(unsigned int message)
{
    device().setMonitorMessage(message);
}

int SNX_HID_Output_Report_Data(const unsigned char *report, int length)
{
    return device().receiveOutputReport(report, length) ? 1 : 0;
}

int SNX_GetLastOpenError(void)
{
    return device().lastOpenError();
}

void SIM_Reset(void)
{
    device().reset();
}

void SIM_Plug(void)
{
    device().plug();
}

void SIM_Unplug(void)
{
    device().unplug();
}

int SIM_IsPlugged(void)
{
    return device().plugged() ? 1 : 0;
}

void SIM_SetAccessDenied(int denied)
{
    device().setAccessDenied(denied != 0);
}

void SIM_SetAnswerMode(int mode)
{
    device().setAnswerMode(mode);
}

void SIM_SetAnswerDelayMs(int milliseconds)
{
    device().setAnswerDelay(milliseconds);
}

void SIM_GetBlock(unsigned char block[8])
{
    if (!block)
        return;
    const SimulatedDevice::Block current = device().block();
    std::copy(current.begin(), current.end(), block);
}

void SIM_SetBlock(const unsigned char block[8])
{
    if (!block)
        return;
    SimulatedDevice::Block next{};
    std::copy_n(block, next.size(), next.begin());
    device().setBlock(next);
}

void SIM_InjectStateReport(const unsigned char block[8])
{
    if (!block)
        return;
    SimulatedDevice::Block next{};
    std::copy_n(block, next.size(), next.begin());
    device().injectStateReport(next);
}

void SIM_InjectRawReport(const unsigned char *report, int length)
{
    device().injectRawReport(report, length);
}

int SIM_OutputReportCount(void)
{
    return device().outputReportCount();
}

int SIM_GetOutputReport(int index, unsigned char report[16])
{
    return device().outputReport(index, report) ? 1 : 0;
}

void SIM_ClearOutputReports(void)
{
    device().clearOutputReports();
}

} // extern "C"
