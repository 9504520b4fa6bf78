// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardChannel.h"
#include "HidControlLibrary.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <string_view>

// Opens and closes the one device the panel works with, and follows it
// being plugged in and removed. The connected and abort flags live in the
// card channel, which the exchanges test.
class DeviceConnection {
public:
    static constexpr unsigned short kDefaultVendorId = 0x0C45;
    static constexpr unsigned short kDefaultProductId = 0x1F7D;
    // The same as the panel's id boxes show them, which open() takes.
    static constexpr const char *kDefaultVendorIdText = "0C45";
    static constexpr const char *kDefaultProductIdText = "1F7D";
    static constexpr unsigned int kMonitorMessage = 1124;
    // How the card calls itself, to the sound server and to the user.
    static constexpr const char *kCardName = "VEK ZR-4";
    // A plug-in notice can come before the device node may be opened (udev
    // grants the user access a moment later): the open is retried that long.
    static constexpr int kArrivalOpenAttempts = 10;
    static constexpr std::chrono::milliseconds kArrivalRetryInterval{200};

    // Who the connection works for. Every call comes on the UI thread.
    class Listener {
    public:
        virtual ~Listener() = default;
        // Reads the device's block; calls then once its first attempt is over
        // (an unanswered read goes on by itself).
        virtual void readBlock(std::function<void()> then) = 0;
        // After the read's first attempt, unless the read was cut short by the
        // program's end or the device's removal.
        virtual void opened() = 0;
        // After a close.
        virtual void closed() = 0;
        // Queues an open to run from the event loop.
        virtual void openLater() = 0;
        // The device is plugged in but this user may not open it; called
        // once per plug-in.
        virtual void openRefused() = 0;
    };

    DeviceConnection(HidControlLibrary &library, CardChannel &channel, SnxWindow *window,
                     Listener &listener);

    // The first four characters as hex digits, most significant first; any
    // other character, or none, counts as 0.
    static unsigned short parseId(std::string_view text);

    // False when no device with these ids is present.
    bool open(std::string_view vendorText, std::string_view productText);
    void close();

    // Plug-in and removal notices; true when the connection acted on them.
    // An open that fails after a plug-in notice is tried again for a while.
    bool arrival();
    bool removal();

    bool isOpen() const { return channel_.isConnected(); }
    // The last open found the device but this user may not open it.
    bool isAccessDenied() const { return accessDenied_; }

private:
    void armMonitor();
    void retryAfterArrival();
    void openFailed();

    HidControlLibrary &library_;
    CardChannel &channel_;
    SnxWindow *window_;
    Listener &listener_;
    int arrivalAttemptsLeft_ = 0;
    bool accessDenied_ = false;
    bool deniedReported_ = false;
    std::unique_ptr<QObject> retryContext_ = std::make_unique<QObject>();
};
