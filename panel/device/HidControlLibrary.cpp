// SPDX-License-Identifier: GPL-3.0-or-later
#include "HidControlLibrary.h"

#include "LogCategories.h"

#include <QString>

#include <dlfcn.h>

#include <cstring>

HidControlLibrary::~HidControlLibrary()
{
    unload();
}

template <typename F> void HidControlLibrary::resolve(F &slot, const char *name)
{
    slot = reinterpret_cast<F>(dlsym(handle_, name));
    if (!slot)
        qCDebug(lcCard) << "the HID library lacks" << name;
}

bool HidControlLibrary::load(const std::string &path)
{
    unload();
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char *error = dlerror();
        loadError_ = error ? error : path;
        qCDebug(lcCard).noquote() << "cannot load the HID library:"
                                  << QString::fromStdString(loadError_);
        return false;
    }
    qCDebug(lcCard).noquote() << "loaded the HID library" << QString::fromStdString(path);
    resolve(entry_.findDeviceWithId, "SNX_FindDeviceWithID");
    resolve(entry_.checkDeviceWithId, "SNX_CheckDeviceWithID");
    resolve(entry_.findDevice, "SNX_FindDevice");
    resolve(entry_.closeDevice, "SNX_CloseDevice");
    resolve(entry_.openHidMonitor, "SNX_OpenHIDMonitor");
    resolve(entry_.closeHidMonitor, "SNX_CloseHIDMonitor");
    resolve(entry_.vendorId, "SNX_GetVendorID");
    resolve(entry_.productId, "SNX_GetProductID");
    resolve(entry_.setMonitorMessage, "SNX_SetMonitorMsg");
    resolve(entry_.outputReport, "SNX_HID_Output_Report_Data");
    resolve(entry_.lastOpenError, "SNX_GetLastOpenError");
    return true;
}

void HidControlLibrary::unload()
{
    if (handle_)
        dlclose(handle_);
    handle_ = nullptr;
    entry_ = {};
}

int HidControlLibrary::findDeviceWithId(unsigned short vendorId, unsigned short productId) const
{
    const int found = entry_.findDeviceWithId ? entry_.findDeviceWithId(vendorId, productId) : 0;
    if (lcCard().isDebugEnabled()) {
        QString result = found ? QStringLiteral("found") : QStringLiteral("not found");
        if (!found && entry_.lastOpenError)
            result += QStringLiteral(" (%1)").arg(
                QString::fromLocal8Bit(std::strerror(entry_.lastOpenError())));
        qCDebug(lcCard).noquote() << QStringLiteral("SNX_FindDeviceWithID(%1, %2): %3")
                                         .arg(vendorId, 4, 16, QLatin1Char('0'))
                                         .arg(productId, 4, 16, QLatin1Char('0'))
                                         .arg(result);
    }
    return found;
}

int HidControlLibrary::checkDeviceWithId(unsigned short vendorId, unsigned short productId) const
{
    return entry_.checkDeviceWithId ? entry_.checkDeviceWithId(vendorId, productId) : 0;
}

int HidControlLibrary::findDevice() const
{
    return entry_.findDevice ? entry_.findDevice() : 0;
}

void HidControlLibrary::closeDevice() const
{
    if (entry_.closeDevice)
        entry_.closeDevice();
}

void HidControlLibrary::openHidMonitor(SnxWindow *window) const
{
    if (entry_.openHidMonitor)
        entry_.openHidMonitor(window);
}

void HidControlLibrary::closeHidMonitor() const
{
    if (entry_.closeHidMonitor)
        entry_.closeHidMonitor();
}

unsigned short HidControlLibrary::vendorId() const
{
    return entry_.vendorId ? entry_.vendorId() : 0;
}

unsigned short HidControlLibrary::productId() const
{
    return entry_.productId ? entry_.productId() : 0;
}

void HidControlLibrary::setMonitorMessage(unsigned int message) const
{
    if (entry_.setMonitorMessage)
        entry_.setMonitorMessage(message);
}

int HidControlLibrary::outputReport(const unsigned char *report, int length) const
{
    return entry_.outputReport ? entry_.outputReport(report, length) : 0;
}

std::optional<int> HidControlLibrary::lastOpenError() const
{
    if (!entry_.lastOpenError)
        return std::nullopt;
    return entry_.lastOpenError();
}
