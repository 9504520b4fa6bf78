// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

// One entry of the recorder's record-format list.
struct CaptureFormat {
    std::uint16_t channels;
    std::uint16_t bitsPerSample;
    std::uint32_t samplesPerSecond;

    constexpr std::uint32_t averageBytesPerSecond() const
    {
        return std::uint32_t(bitsPerSample) * samplesPerSecond * channels / 8;
    }

    // The list the recorder offers. A capture always uses the first entry.
    static constexpr std::array<CaptureFormat, 2> choices()
    {
        return {CaptureFormat{2, 16, 44100}, CaptureFormat{2, 16, 48000}};
    }
    static constexpr CaptureFormat used() { return choices()[0]; }
};
