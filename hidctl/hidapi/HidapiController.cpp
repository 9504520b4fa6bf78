// SPDX-License-Identifier: GPL-3.0-or-later
#include "HidapiController.h"

#include "HidDeviceHandle.h"
#include "HidDeviceList.h"
#include "InputReportReader.h"
#include "LogCategories.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kMaxReportLength = 64;

// hidapi's failed open leaves the kernel's errno behind, but it does not
// promise to; when it left none, asking the kernel the same question tells
// "no permission" from the rest.
int openErrorOf(const std::string &path, int leftByHidapi)
{
    if (leftByHidapi != 0)
        return leftByHidapi;
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    return EIO;
}

QString describe(const HidDeviceList::Interface &interface)
{
    return QStringLiteral("%1 (interface %2, usage page 0x%3, usage 0x%4)")
        .arg(QString::fromStdString(interface.path))
        .arg(interface.number)
        .arg(interface.usagePage, 4, 16, QLatin1Char('0'))
        .arg(interface.usage, 4, 16, QLatin1Char('0'));
}

void traceCandidates(const HidDeviceList &candidates, unsigned short vendorId,
                     unsigned short productId)
{
    if (!lcHid().isDebugEnabled())
        return;
    if (candidates.empty())
        qCDebug(lcHid).noquote() << QStringLiteral("no HID interface with ids %1:%2")
                                        .arg(vendorId, 4, 16, QLatin1Char('0'))
                                        .arg(productId, 4, 16, QLatin1Char('0'));
    for (const HidDeviceList::Interface &interface : candidates.interfacesByPreference())
        qCDebug(lcHid).noquote() << "candidate" << describe(interface);
}

} // namespace

HidapiController &HidapiController::instance()
{
    // Destroyed when the library is unloaded: the monitor stops, the device
    // closes and hidapi is released.
    static HidapiController controller;
    return controller;
}

// The category is made before the controller, so it outlives the controller
// and the reader thread the controller's end stops.
HidapiController::HidapiController() : hidapiReady_((lcHid(), hid_init() == 0)) {}

HidapiController::~HidapiController()
{
    closeDevice();
    if (hidapiReady_)
        hid_exit();
}

bool HidapiController::findDevice(unsigned short vendorId, unsigned short productId)
{
    std::lock_guard lock(mutex_);
    if (!hidapiReady_) {
        lastOpenError_ = EIO;
        return false;
    }
    const HidDeviceList candidates(vendorId, productId);
    traceCandidates(candidates, vendorId, productId);
    int firstError = ENOENT;
    for (const std::string &path : candidates.pathsByPreference()) {
        errno = 0;
        hid_device *opened = hid_open_path(path.c_str());
        if (!opened) {
            const int error = openErrorOf(path, errno);
            qCDebug(lcHid).noquote() << QStringLiteral("cannot open %1: %2")
                                            .arg(QString::fromStdString(path),
                                                 QString::fromLocal8Bit(std::strerror(error)));
            if (firstError == ENOENT)
                firstError = error;
            continue;
        }
        qCDebug(lcHid).noquote() << "opened" << QString::fromStdString(path);
        closeDeviceLocked();
        device_ = std::make_shared<HidDeviceHandle>(opened, path);
        vendorId_ = vendorId;
        productId_ = productId;
        lastOpenError_ = 0;
        return true;
    }
    lastOpenError_ = firstError;
    return false;
}

bool HidapiController::devicePresent(unsigned short vendorId, unsigned short productId) const
{
    std::lock_guard lock(mutex_);
    return hidapiReady_ && !HidDeviceList(vendorId, productId).empty();
}

int HidapiController::listInterfaces(unsigned short vendorId, unsigned short productId,
                                     SnxInterface *interfaces, int capacity) const
{
    std::lock_guard lock(mutex_);
    if (!hidapiReady_)
        return 0;
    const HidDeviceList list(vendorId, productId);
    const auto &found = list.interfacesByPreference();
    const std::size_t filled =
        interfaces ? std::min(found.size(), static_cast<std::size_t>(std::max(capacity, 0))) : 0;
    for (std::size_t i = 0; i < filled; ++i) {
        SnxInterface &out = interfaces[i];
        out = SnxInterface{};
        std::strncpy(out.path, found[i].path.c_str(), sizeof out.path - 1);
        out.interfaceNumber = found[i].number;
        out.usagePage = found[i].usagePage;
        out.usage = found[i].usage;
    }
    return static_cast<int>(found.size());
}

void HidapiController::closeDevice()
{
    std::lock_guard lock(mutex_);
    closeDeviceLocked();
}

void HidapiController::closeDeviceLocked()
{
    if (device_)
        qCDebug(lcHid).noquote() << "closing" << QString::fromStdString(device_->path());
    monitor_.reset();
    device_.reset();
    vendorId_ = 0;
    productId_ = 0;
}

void HidapiController::openMonitor(SnxWindow *window)
{
    std::lock_guard lock(mutex_);
    monitor_.reset();
    if (device_ && window && window->postMessage)
        monitor_ = std::make_unique<InputReportReader>(device_, window, monitorMessage_);
}

void HidapiController::closeMonitor()
{
    std::lock_guard lock(mutex_);
    monitor_.reset();
}

unsigned short HidapiController::vendorId() const
{
    std::lock_guard lock(mutex_);
    return vendorId_;
}

unsigned short HidapiController::productId() const
{
    std::lock_guard lock(mutex_);
    return productId_;
}

bool HidapiController::writeReport(const unsigned char *report, int length)
{
    std::lock_guard lock(mutex_);
    if (!device_ || !report || length < 1 || length > kMaxReportLength)
        return false;
    return device_->write(report, static_cast<std::size_t>(length)) > 0;
}
