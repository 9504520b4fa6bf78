// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

// Tells the panel that a HID device was plugged in or removed. Notices
// arrive on the thread that owns the notifier, in the order they happened.
class DeviceNotifier {
public:
    enum class Change { Arrival, Removal };
    using Handler = std::function<void(Change change)>;

    virtual ~DeviceNotifier() = default;
    // Starts delivering notices to handler; false when nothing can be watched.
    virtual bool start(Handler handler) = 0;
};
