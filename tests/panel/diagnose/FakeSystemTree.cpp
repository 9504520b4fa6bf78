// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeSystemTree.h"

#include <cstdio>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr const char *kRuleFolders[] = {"etc/udev/rules.d", "usr/lib/udev/rules.d"};

void writeFile(const fs::path &file, const std::string &content)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

std::string hex(unsigned value, int width)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", width, value);
    return text;
}

} // namespace

std::vector<std::uint8_t> FakeSystemTree::cardDescriptor()
{
    return {0x06, 0x00, 0xFF,             // usage page 0xFF00
            0x09, 0x01,                   // usage 1
            0xA1, 0x01,                   // application collection
            0x15, 0x00, 0x26, 0xFF, 0x00, // logical 0..255
            0x75, 0x08, 0x95, 0x0F,       // fifteen bytes
            0x09, 0x01, 0x81, 0x02,       // input
            0x09, 0x01, 0x91, 0x02,       // output
            0xC0};
}

std::vector<std::uint8_t> FakeSystemTree::numberedDescriptor(std::uint8_t id)
{
    return {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, id, // report id
            0x75, 0x08, 0x95, 0x40,                             // sixty-four bytes
            0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};
}

FakeSystemTree::FakeSystemTree()
{
    fs::create_directories(sysRoot() / "class" / "hidraw");
    fs::create_directories(devRoot());
}

std::vector<fs::path> FakeSystemTree::udevRuleFolders() const
{
    std::vector<fs::path> folders;
    for (const char *folder : kRuleFolders)
        folders.push_back(root() / folder);
    return folders;
}

void FakeSystemTree::addNode(const std::string &name, unsigned short vendorId,
                             unsigned short productId, int interfaceNumber,
                             const std::vector<std::uint8_t> &descriptor)
{
    const std::string number = name.substr(6);
    const fs::path usbInterface =
        sysRoot() / "devices/usb1/1-1" / ("1-1:1." + std::to_string(interfaceNumber));
    const fs::path hidDevice =
        usbInterface / ("0003:" + hex(vendorId, 4) + ":" + hex(productId, 4) + ".000" + number);
    const fs::path node = hidDevice / "hidraw" / name;
    writeFile(usbInterface / "bInterfaceNumber", hex(interfaceNumber, 2) + "\n");
    writeFile(hidDevice / "uevent", "DRIVER=hid-generic\nHID_ID=0003:0000" + hex(vendorId, 4) +
                                        ":0000" + hex(productId, 4) + "\nHID_NAME=VEK ZR-4\n");
    writeFile(hidDevice / "report_descriptor", std::string(descriptor.begin(), descriptor.end()));
    writeFile(node / "uevent", "MAJOR=244\nMINOR=" + number + "\nDEVNAME=" + name + "\n");
    fs::create_directory_symlink("../..", node / "device");
    fs::create_directory_symlink(fs::relative(node, sysRoot() / "class" / "hidraw"),
                                 sysRoot() / "class" / "hidraw" / name);
    writeFile(devRoot() / name, "");
}

void FakeSystemTree::installRule(std::size_t folder)
{
    writeFile(udevRuleFolders().at(folder) / "70-orlenta.rules", "TAG+=\"uaccess\"\n");
}
