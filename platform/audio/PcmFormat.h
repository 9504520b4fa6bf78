// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Interleaved little-endian PCM, as a capture records it, a take holds it and
// the player plays it. Default: the recording format, stereo 16-bit 44100 Hz.
struct PcmFormat {
    std::uint16_t channels = 2;
    std::uint16_t bitsPerSample = 16;
    std::uint32_t sampleRate = 44100;

    // Bytes of one sample of every channel.
    constexpr std::uint16_t frameBytes() const
    {
        return std::uint16_t(channels * bitsPerSample / 8);
    }
    constexpr std::uint32_t bytesPerSecond() const { return sampleRate * frameBytes(); }

    bool operator==(const PcmFormat &) const = default;
};
