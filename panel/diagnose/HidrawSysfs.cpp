// SPDX-License-Identifier: GPL-3.0-or-later
#include "HidrawSysfs.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Larger than any descriptor the kernel keeps (HID_MAX_DESCRIPTOR_SIZE).
constexpr std::size_t kMaxDescriptorBytes = 4096;

std::string readText(const fs::path &file)
{
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A "KEY=value" line of a uevent file.
std::optional<std::string> ueventValue(const std::string &uevent, const std::string &key)
{
    std::istringstream lines(uevent);
    for (std::string line; std::getline(lines, line);) {
        if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 &&
            line[key.size()] == '=')
            return line.substr(key.size() + 1);
    }
    return std::nullopt;
}

// HID_ID=0003:00000C45:00001F7D: bus, vendor, product in hex.
bool parseHidId(const std::string &value, unsigned short &vendorId, unsigned short &productId)
{
    unsigned bus = 0;
    unsigned long vendor = 0;
    unsigned long product = 0;
    char colon1 = 0;
    char colon2 = 0;
    std::istringstream in(value);
    in >> std::hex >> bus >> colon1 >> vendor >> colon2 >> product;
    if (!in || colon1 != ':' || colon2 != ':' || vendor > 0xFFFF || product > 0xFFFF)
        return false;
    vendorId = static_cast<unsigned short>(vendor);
    productId = static_cast<unsigned short>(product);
    return true;
}

std::vector<std::uint8_t> readDescriptor(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes(kMaxDescriptorBytes);
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// The HID device's parent is the USB interface it belongs to.
int interfaceNumberOf(const fs::path &hidDevice)
{
    std::error_code error;
    const fs::path device = fs::canonical(hidDevice, error);
    if (error)
        return -1;
    const std::string text = readText(device.parent_path() / "bInterfaceNumber");
    try {
        return text.empty() ? -1 : std::stoi(text, nullptr, 16);
    } catch (const std::exception &) {
        return -1;
    }
}

unsigned nodeNumber(const std::string &name)
{
    const std::string digits = name.substr(std::min(name.size(), std::size_t{6}));
    const auto isDigit = [](unsigned char c) { return std::isdigit(c) != 0; };
    return digits.empty() || !std::all_of(digits.begin(), digits.end(), isDigit)
               ? ~0u
               : static_cast<unsigned>(std::stoul(digits));
}

} // namespace

std::vector<HidrawSysfs::Node> HidrawSysfs::nodesWithIds(unsigned short vendorId,
                                                         unsigned short productId) const
{
    std::vector<Node> nodes;
    std::error_code error;
    for (const fs::directory_entry &entry :
         fs::directory_iterator(root_ / "class" / "hidraw", error)) {
        Node node;
        node.name = entry.path().filename().string();
        const fs::path hidDevice = entry.path() / "device";
        const std::optional<std::string> hidId =
            ueventValue(readText(hidDevice / "uevent"), "HID_ID");
        if (!hidId || !parseHidId(*hidId, node.vendorId, node.productId) ||
            node.vendorId != vendorId || node.productId != productId)
            continue;
        node.deviceName =
            ueventValue(readText(entry.path() / "uevent"), "DEVNAME").value_or(node.name);
        node.interfaceNumber = interfaceNumberOf(hidDevice);
        node.reportDescriptor = readDescriptor(hidDevice / "report_descriptor");
        nodes.push_back(std::move(node));
    }
    std::sort(nodes.begin(), nodes.end(),
              [](const Node &a, const Node &b) { return nodeNumber(a.name) < nodeNumber(b.name); });
    return nodes;
}
