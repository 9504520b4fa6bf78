// SPDX-License-Identifier: GPL-3.0-or-later
#include "HidDeviceList.h"

#include <hidapi.h>

#include <algorithm>

namespace {

constexpr unsigned short kFirstVendorUsagePage = 0xFF00;

void addOnce(std::vector<std::string> &paths, const char *path)
{
    if (path && std::find(paths.begin(), paths.end(), path) == paths.end())
        paths.emplace_back(path);
}

} // namespace

HidDeviceList::HidDeviceList(unsigned short vendorId, unsigned short productId)
{
    hid_device_info *devices = hid_enumerate(vendorId, productId);
    std::vector<std::string> others;
    for (const hid_device_info *info = devices; info; info = info->next) {
        if (info->vendor_id != vendorId || info->product_id != productId)
            continue;
        addOnce(info->usage_page >= kFirstVendorUsagePage ? paths_ : others, info->path);
    }
    hid_free_enumeration(devices);
    for (const std::string &path : others)
        addOnce(paths_, path.c_str());
}
