// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ReportWords.h"

#include <cstddef>

// hidraw hands over an input report without its report id when the device
// does not number its reports. The rest of the system counts bytes from the
// report id (byte 1 is the head), so the id byte is put back in front.
class HidrawReport {
public:
    // A report of exactly the full size already starts with its id and is
    // taken as it is; any other length gets a 0 in front, then is zero-filled
    // or cut to the full size.
    static ReportWords::Bytes deviceView(const unsigned char *data, std::size_t length);
};
