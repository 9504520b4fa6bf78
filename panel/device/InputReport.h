// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CardFrame.h"

#include <array>
#include <cstdint>

// One report from the device as the monitor message delivers it: four 32-bit
// words, most significant byte first. Byte 1 is the head, bytes 2 and 7-13
// the data, byte 14 the checksum.
class InputReport {
public:
    using Words = std::array<std::uint32_t, 4>;
    static constexpr std::uint8_t kStateReportHead = 0x02;

    explicit InputReport(const CardFrame::Report &bytes) : bytes_(bytes) {}
    static InputReport fromWords(const Words &words);

    std::uint8_t head() const { return bytes_[1]; }
    CardFrame::Data data() const;
    std::uint8_t checksum() const { return bytes_[14]; }
    bool checksumValid() const;
    bool isStateReport() const { return head() == kStateReportHead && checksumValid(); }
    // Head, data and checksum in frame order, as a captured answer keeps them.
    CardFrame asFrame() const;

    const CardFrame::Report &bytes() const { return bytes_; }

private:
    CardFrame::Report bytes_{};
};
