// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceConnection.h"

#include "HexDigit.h"

#include <QTimer>

#include <algorithm>
#include <cerrno>

DeviceConnection::DeviceConnection(HidControlLibrary &library, CardChannel &channel,
                                   SnxWindow *window, Listener &listener)
    : library_(library), channel_(channel), window_(window), listener_(listener)
{
}

unsigned short DeviceConnection::parseId(std::string_view text)
{
    unsigned value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value * 16 +
                static_cast<unsigned>(i < text.size() ? std::max(0, hexDigitValue(text[i])) : 0);
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
    armMonitor();
    channel_.setConnected(true);
    auto afterRead = [this] {
        // A read cut short by Exit or by the device's removal leaves nothing
        // to make default and no one to greet.
        if (!channel_.isExiting() && !channel_.isAborted())
            listener_.opened();
    };
    listener_.readBlock(afterRead);
    return true;
}

void DeviceConnection::close()
{
    if (channel_.isConnected()) {
        library_.closeHidMonitor();
        library_.closeDevice();
    }
    channel_.setConnected(false);
    listener_.closed();
}

bool DeviceConnection::arrival()
{
    if (channel_.isConnected())
        return false;
    channel_.setAbort(false);
    arrivalAttemptsLeft_ = kArrivalOpenAttempts;
    listener_.openLater();
    return true;
}

void DeviceConnection::retryAfterArrival()
{
    if (arrivalAttemptsLeft_ <= 0)
        return;
    --arrivalAttemptsLeft_;
    QTimer::singleShot(kArrivalRetryInterval, retryContext_.get(), [this] {
        if (!channel_.isConnected() && !channel_.isExiting())
            listener_.openLater();
    });
}

void DeviceConnection::openFailed()
{
    const std::optional<int> error = library_.lastOpenError();
    accessDenied_ = error && (*error == EACCES || *error == EPERM);
    if (!accessDenied_ || deniedReported_)
        return;
    deniedReported_ = true;
    listener_.openRefused();
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
