// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CaptureFormat.h"

#include <array>
#include <cstdint>

// The 18-byte wave format block (format tag, channels, rates, alignment, bits,
// extra size) as it is stored in the buffer file's header. Default: the
// recording format, stereo 16-bit 44100 Hz PCM with an extra size of 18.
struct WaveFormat {
    static constexpr std::size_t kSize = 18;

    std::uint16_t formatTag = 1;
    std::uint16_t channels = 2;
    std::uint32_t samplesPerSec = 44100;
    std::uint32_t avgBytesPerSec = 176400;
    std::uint16_t blockAlign = 4;
    std::uint16_t bitsPerSample = 16;
    std::uint16_t cbSize = 18;

    // The format a capture records in.
    static WaveFormat forCapture(const CaptureFormat &format);
    // The input format of the output writer: channel mode 0 is mono, anything
    // else stereo; at most 16 bits.
    static WaveFormat forWriter(int channelMode, std::uint32_t samplesPerSecond,
                                std::uint16_t bitsPerSample);

    std::array<std::uint8_t, kSize> bytes() const;

    bool operator==(const WaveFormat &) const = default;
};
