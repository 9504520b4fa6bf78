// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// The hidraw nodes of the devices with given USB ids.
class HidDeviceList {
public:
    HidDeviceList(unsigned short vendorId, unsigned short productId);

    bool empty() const { return paths_.empty(); }
    // A composite device shows one node per HID interface (e.g. its volume
    // keys besides the control interface). The vendor-defined interfaces
    // come first, each group in enumeration order, each node once.
    const std::vector<std::string> &pathsByPreference() const { return paths_; }

private:
    std::vector<std::string> paths_;
};
