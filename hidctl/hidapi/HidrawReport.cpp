// SPDX-License-Identifier: GPL-3.0-or-later
#include "HidrawReport.h"

#include <algorithm>

ReportWords::Bytes HidrawReport::deviceView(const unsigned char *data, std::size_t length)
{
    ReportWords::Bytes bytes{};
    if (!data)
        return bytes;
    if (length == bytes.size()) {
        std::copy_n(data, bytes.size(), bytes.begin());
        return bytes;
    }
    const std::size_t kept = std::min(length, bytes.size() - 1);
    std::copy_n(data, kept, bytes.begin() + 1);
    return bytes;
}
