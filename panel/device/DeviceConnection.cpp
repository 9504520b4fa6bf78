// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceConnection.h"

#include "HexDigit.h"

#include <QTimer>

#include <algorithm>
#include <cerrno>

namespace {

template <typename F> void call(const F &hook)
{
    if (hook)
        hook();
}

} // namespace

DeviceConnection::DeviceConnection(HidControlLibrary &library, CommandChannel &channel,
                                   SnxWindow *window, Hooks hooks)
    : library_(library), channel_(channel), window_(window), hooks_(std::move(hooks))
{
}

unsigned short DeviceConnection::parseId(std::string_view text)
{
    unsigned value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value * 16 + static_cast<unsigned>(i < text.size() ? std::max(0, hexDigitValue(text[i])) : 0);
    return static_cast<unsigned short>(value);
}

void DeviceConnection::armMonitor()
{
    library_.openHidMonitor(window_);
    library_.setMonitorMessage(kMonitorMessage);
}

bool DeviceConnection::open(std::string_view vendorText, std::string_view productText)
{
    if (!library_.findDeviceWithId(parseId(vendorText), parseId(productText))) {
        channel_.setConnected(false);
        openFailed();
        retryAfterArrival();
        return false;
    }
    arrivalAttemptsLeft_ = 0;
    accessDenied_ = false;
    deniedReported_ = false;
    if (hooks_.showState)
        hooks_.showState(true);
    armMonitor();
    channel_.setConnected(true);
    auto afterRead = [this] {
        // A read cut short by Exit or by the device's removal leaves nothing
        // to make default and no one to greet.
        if (!channel_.isExiting() && !channel_.isAborted())
            call(hooks_.afterOpen);
    };
    if (hooks_.readParameters)
        hooks_.readParameters(afterRead);
    else
        afterRead();
    return true;
}

void DeviceConnection::close()
{
    if (hooks_.showState)
        hooks_.showState(false);
    if (channel_.isConnected()) {
        library_.closeHidMonitor();
        library_.closeDevice();
    }
    channel_.setConnected(false);
    call(hooks_.closed);
}

bool DeviceConnection::arrival()
{
    if (channel_.isConnected())
        return false;
    channel_.setAbort(false);
    arrivalAttemptsLeft_ = kArrivalOpenAttempts;
    call(hooks_.postOpen);
    return true;
}

void DeviceConnection::retryAfterArrival()
{
    if (arrivalAttemptsLeft_ <= 0)
        return;
    --arrivalAttemptsLeft_;
    QTimer::singleShot(kArrivalRetryInterval, retryContext_.get(), [this] {
        if (!channel_.isConnected() && !channel_.isExiting())
            call(hooks_.postOpen);
    });
}

void DeviceConnection::openFailed()
{
    const std::optional<int> error = library_.lastOpenError();
    accessDenied_ = error && (*error == EACCES || *error == EPERM);
    if (!accessDenied_ || deniedReported_)
        return;
    deniedReported_ = true;
    call(hooks_.accessDenied);
}

bool DeviceConnection::removal()
{
    arrivalAttemptsLeft_ = 0;
    // The card itself is gone: its next plug-in is a new one to tell about.
    if (!library_.checkDeviceWithId(kDefaultVendorId, kDefaultProductId)) {
        accessDenied_ = false;
        deniedReported_ = false;
    }
    if (!channel_.isConnected())
        return false;
    if (library_.findDeviceWithId(kDefaultVendorId, kDefaultProductId)) {
        // Another device went away; ours is still there.
        armMonitor();
        return true;
    }
    channel_.setAbort(true);
    channel_.setConnected(false);
    close();
    return true;
}
