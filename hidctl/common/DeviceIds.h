// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// USB ids of the sound card's control interface.
namespace DeviceIds {
inline constexpr unsigned short kVendorId = 0x0C45;
inline constexpr unsigned short kProductId = 0x1F7D;
} // namespace DeviceIds
