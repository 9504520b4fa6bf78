// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SnxApi.h"

#include <array>
#include <cstdint>

// The monitor message carries an input report as four 32-bit words, the most
// significant byte of each word first, so the receiver's byte order never
// matters.
class ReportWords {
public:
    using Bytes = std::array<std::uint8_t, SNX_REPORT_SIZE>;
    using Words = std::array<std::uint32_t, SNX_REPORT_SIZE / 4>;

    static Words pack(const Bytes &bytes);
};
