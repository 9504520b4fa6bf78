// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// The HID interfaces of the devices with given USB ids, as hidapi lists them.
class HidDeviceList {
public:
    struct Interface {
        std::string path; // the hidraw node
        int number = -1;  // the USB interface number; -1 when not USB
        unsigned short usagePage = 0;
        unsigned short usage = 0;
    };

    HidDeviceList(unsigned short vendorId, unsigned short productId);

    bool empty() const { return interfaces_.empty(); }
    // A composite device shows one node per HID interface (e.g. its volume
    // keys besides the control interface), and hidapi one entry per top-level
    // collection of a node. The vendor-defined ones come first, each group in
    // enumeration order.
    const std::vector<Interface> &interfacesByPreference() const { return interfaces_; }
    // The nodes in the order they are tried, each once.
    std::vector<std::string> pathsByPreference() const;

private:
    std::vector<Interface> interfaces_;
};
