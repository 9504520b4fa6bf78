// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DeviceNotifier.h"

// Stands in for the kernel's notices in tests: plug() and unplug() deliver
// them at once, as the event loop would.
class FakeDeviceNotifier : public DeviceNotifier {
public:
    bool start(Handler handler) override
    {
        handler_ = std::move(handler);
        return true;
    }
    void plug() { deliver(Change::Arrival); }
    void unplug() { deliver(Change::Removal); }
    bool started() const { return static_cast<bool>(handler_); }

private:
    void deliver(Change change)
    {
        if (handler_)
            handler_(change);
    }
    Handler handler_;
};
