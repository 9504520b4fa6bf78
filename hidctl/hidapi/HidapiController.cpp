// SPDX-License-Identifier: GPL-3.0-or-later
#include "HidapiController.h"

#include "HidDeviceHandle.h"
#include "HidDeviceList.h"
#include "InputReportReader.h"

#include <cerrno>

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

} // namespace

HidapiController &HidapiController::instance()
{
    // Destroyed when the library is unloaded: the monitor stops, the device
    // closes and hidapi is released.
    static HidapiController controller;
    return controller;
}

HidapiController::HidapiController() : hidapiReady_(hid_init() == 0) {}

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
    int firstError = ENOENT;
    for (const std::string &path : candidates.pathsByPreference()) {
        errno = 0;
        hid_device *opened = hid_open_path(path.c_str());
        if (!opened) {
            const int leftByHidapi = errno;
            if (firstError == ENOENT)
                firstError = openErrorOf(path, leftByHidapi);
            continue;
        }
        closeDeviceLocked();
        device_ = std::make_shared<HidDeviceHandle>(opened);
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

void HidapiController::closeDevice()
{
    std::lock_guard lock(mutex_);
    closeDeviceLocked();
}

void HidapiController::closeDeviceLocked()
{
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
