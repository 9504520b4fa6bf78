// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The kernel's view of the hidraw nodes, read from sysfs (its root is a
// seam: tests point it at a tree of their own): which device each node
// belongs to, its USB interface and its report descriptor.
class HidrawSysfs {
public:
    struct Node {
        std::string name;       // "hidraw0"
        std::string deviceName; // under /dev, "hidraw0"
        unsigned short vendorId = 0;
        unsigned short productId = 0;
        int interfaceNumber = -1; // -1: not a USB interface, or not told
        std::vector<std::uint8_t> reportDescriptor;
    };

    explicit HidrawSysfs(std::filesystem::path root) : root_(std::move(root)) {}

    // The nodes of devices with these ids, in the kernel's numbering order.
    std::vector<Node> nodesWithIds(unsigned short vendorId, unsigned short productId) const;

private:
    std::filesystem::path root_;
};
