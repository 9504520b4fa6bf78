// SPDX-License-Identifier: GPL-3.0-or-later
#include "HidDeviceList.h"

#include <hidapi.h>

#include <algorithm>

namespace {

constexpr unsigned short kFirstVendorUsagePage = 0xFF00;

} // namespace

HidDeviceList::HidDeviceList(unsigned short vendorId, unsigned short productId)
{
    hid_device_info *devices = hid_enumerate(vendorId, productId);
    std::vector<Interface> others;
    for (const hid_device_info *info = devices; info; info = info->next) {
        if (info->vendor_id != vendorId || info->product_id != productId || !info->path)
            continue;
        (info->usage_page >= kFirstVendorUsagePage ? interfaces_ : others)
            .push_back(
                Interface{info->path, info->interface_number, info->usage_page, info->usage});
    }
    hid_free_enumeration(devices);
    interfaces_.insert(interfaces_.end(), others.begin(), others.end());
}

std::vector<std::string> HidDeviceList::pathsByPreference() const
{
    std::vector<std::string> paths;
    for (const Interface &interface : interfaces_) {
        if (std::find(paths.begin(), paths.end(), interface.path) == paths.end())
            paths.push_back(interface.path);
    }
    return paths;
}
