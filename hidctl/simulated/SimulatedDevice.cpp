// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulatedDevice.h"

#include "DeviceIds.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

// For trying the panel by hand: a positive number of seconds makes the device
// report its block at that interval, as the real one does when its own knobs
// are turned.
std::chrono::milliseconds stateReportInterval()
{
    const char *text = std::getenv("ORLENTA_SIM_STATE_REPORT_SECONDS");
    if (!text)
        return std::chrono::milliseconds(0);
    const double seconds = std::strtod(text, nullptr);
    if (!std::isfinite(seconds) || seconds <= 0 || seconds > 86400)
        return std::chrono::milliseconds(0);
    return std::chrono::milliseconds(std::max(1L, std::lround(seconds * 1000)));
}

} // namespace

SimulatedDevice &SimulatedDevice::instance()
{
    static SimulatedDevice device;
    return device;
}

SimulatedDevice::SimulatedDevice()
{
    setBlockLocked(controller_.block());
}

bool SimulatedDevice::findDevice(unsigned short vendorId, unsigned short productId)
{
    std::lock_guard lock(mutex_);
    if (!matches(vendorId, productId)) {
        lastOpenError_ = ENOENT;
        return false;
    }
    if (accessDenied_) {
        lastOpenError_ = EACCES;
        return false;
    }
    // Finding again reopens the device, as the hidapi library does.
    closeDeviceLocked();
    open_ = true;
    lastOpenError_ = 0;
    return true;
}

int SimulatedDevice::lastOpenError() const
{
    std::lock_guard lock(mutex_);
    return lastOpenError_;
}

bool SimulatedDevice::devicePresent(unsigned short vendorId, unsigned short productId) const
{
    std::lock_guard lock(mutex_);
    return matches(vendorId, productId);
}

void SimulatedDevice::closeDevice()
{
    std::lock_guard lock(mutex_);
    closeDeviceLocked();
}

void SimulatedDevice::openMonitor(SnxWindow *window)
{
    std::lock_guard lock(mutex_);
    poster_.stop();
    if (open_ && window && window->postMessage)
        poster_.start(window, stateReportInterval());
}

void SimulatedDevice::closeMonitor()
{
    std::lock_guard lock(mutex_);
    poster_.stop();
}

void SimulatedDevice::setMonitorMessage(unsigned int message)
{
    std::lock_guard lock(mutex_);
    poster_.setMessage(message);
}

unsigned short SimulatedDevice::vendorId() const
{
    std::lock_guard lock(mutex_);
    return open_ ? DeviceIds::kVendorId : 0;
}

unsigned short SimulatedDevice::productId() const
{
    std::lock_guard lock(mutex_);
    return open_ ? DeviceIds::kProductId : 0;
}

bool SimulatedDevice::receiveOutputReport(const unsigned char *report, int length)
{
    std::lock_guard lock(mutex_);
    if (!open_ || !report || length != SNX_REPORT_SIZE)
        return false;
    Report output{};
    std::copy_n(report, output.size(), output.begin());
    outputReports_.push_back(output);
    if (const auto answer = controller_.receive(output))
        poster_.post(*answer, answerDelay_);
    poster_.setStateReport(Microcontroller::stateReport(controller_.block()));
    return true;
}

void SimulatedDevice::reset()
{
    std::lock_guard lock(mutex_);
    poster_.stop();
    plugged_ = true;
    accessDenied_ = false;
    lastOpenError_ = 0;
    controller_.reset();
    setBlockLocked(controller_.block());
    answerDelay_ = kDefaultAnswerDelay;
    outputReports_.clear();
}

void SimulatedDevice::plug()
{
    std::lock_guard lock(mutex_);
    plugged_ = true;
}

void SimulatedDevice::unplug()
{
    std::lock_guard lock(mutex_);
    plugged_ = false;
    closeDeviceLocked();
}

bool SimulatedDevice::plugged() const
{
    std::lock_guard lock(mutex_);
    return plugged_;
}

void SimulatedDevice::setAccessDenied(bool denied)
{
    std::lock_guard lock(mutex_);
    accessDenied_ = denied;
}

void SimulatedDevice::setAnswerMode(int mode)
{
    std::lock_guard lock(mutex_);
    controller_.setAnswerMode(mode);
}

void SimulatedDevice::setAnswerDelay(int milliseconds)
{
    std::lock_guard lock(mutex_);
    answerDelay_ = std::chrono::milliseconds(std::max(0, milliseconds));
}

SimulatedDevice::Block SimulatedDevice::block() const
{
    std::lock_guard lock(mutex_);
    return controller_.block();
}

void SimulatedDevice::setBlock(const Block &block)
{
    std::lock_guard lock(mutex_);
    setBlockLocked(block);
}

void SimulatedDevice::injectStateReport(const Block &block)
{
    std::lock_guard lock(mutex_);
    setBlockLocked(block);
    poster_.post(Microcontroller::stateReport(block), std::chrono::milliseconds(0));
}

void SimulatedDevice::injectRawReport(const unsigned char *report, int length)
{
    if (!report || length < 0)
        return;
    Report raw{};
    std::copy_n(report, std::min<std::size_t>(static_cast<std::size_t>(length), raw.size()), raw.begin());
    std::lock_guard lock(mutex_);
    poster_.post(raw, std::chrono::milliseconds(0));
}

int SimulatedDevice::outputReportCount() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(outputReports_.size());
}

bool SimulatedDevice::outputReport(int index, unsigned char *report) const
{
    std::lock_guard lock(mutex_);
    if (!report || index < 0 || static_cast<std::size_t>(index) >= outputReports_.size())
        return false;
    std::copy(outputReports_[static_cast<std::size_t>(index)].begin(),
              outputReports_[static_cast<std::size_t>(index)].end(), report);
    return true;
}

void SimulatedDevice::clearOutputReports()
{
    std::lock_guard lock(mutex_);
    outputReports_.clear();
}

bool SimulatedDevice::matches(unsigned short vendorId, unsigned short productId) const
{
    return plugged_ && vendorId == DeviceIds::kVendorId && productId == DeviceIds::kProductId;
}

void SimulatedDevice::closeDeviceLocked()
{
    poster_.stop();
    open_ = false;
}

void SimulatedDevice::setBlockLocked(const Block &block)
{
    controller_.setBlock(block);
    poster_.setStateReport(Microcontroller::stateReport(block));
}
