// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTemporaryDir>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A private stand-in for /sys, /dev and udev's rule folders, laid out as the
// kernel lays out a USB HID interface's hidraw node:
//   sys/class/hidraw/hidrawN -> ../../devices/usb1/1-1/1-1:1.<i>/0003:VID:PID.000N/hidraw/hidrawN
// with the HID device's uevent and report descriptor, the USB interface's
// bInterfaceNumber, and a file for each node under dev/.
class FakeSystemTree {
public:
    // The card's control interface: unnumbered 15-byte reports both ways.
    static std::vector<std::uint8_t> cardDescriptor();
    // The same interface numbering its reports with id, 64 bytes each way.
    static std::vector<std::uint8_t> numberedDescriptor(std::uint8_t id);

    FakeSystemTree();

    std::filesystem::path sysRoot() const { return root() / "sys"; }
    std::filesystem::path devRoot() const { return root() / "dev"; }
    std::vector<std::filesystem::path> udevRuleFolders() const;

    void addNode(const std::string &name, unsigned short vendorId, unsigned short productId,
                 int interfaceNumber, const std::vector<std::uint8_t> &descriptor);
    // Puts the rule into the rule folder of that rank (0: /etc's).
    void installRule(std::size_t folder);

private:
    std::filesystem::path root() const { return dir_.path().toStdString(); }

    QTemporaryDir dir_;
};
