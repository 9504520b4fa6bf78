// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptureLevel.h"

#include <algorithm>
#include <cstdlib>

namespace {

// A sample's distance from silence, in steps of its bits.
int magnitudeAt(const std::uint8_t *sample, std::uint16_t bits)
{
    if (bits == 8)
        return std::abs(int(sample[0]) - 128);
    return std::abs(int(std::int16_t(std::uint16_t(sample[0] | sample[1] << 8))));
}

} // namespace

CaptureLevel CaptureLevel::measure(const std::uint8_t *pcm, std::size_t length,
                                   const PcmFormat &format)
{
    CaptureLevel level;
    const std::size_t frame = format.frameBytes();
    const std::size_t sampleBytes = format.bitsPerSample / 8;
    if (frame == 0 || (format.bitsPerSample != 8 && format.bitsPerSample != 16))
        return level;
    const int fullScale = 1 << (format.bitsPerSample - 1);
    std::array<int, 2> loudest{};
    for (std::size_t at = 0; at + frame <= length; at += frame) {
        for (std::size_t channel = 0; channel < std::min<std::size_t>(format.channels, 2);
             ++channel)
            loudest[channel] =
                std::max(loudest[channel],
                         magnitudeAt(pcm + at + channel * sampleBytes, format.bitsPerSample));
    }
    if (format.channels == 1)
        loudest[1] = loudest[0];
    for (std::size_t channel = 0; channel < 2; ++channel) {
        level.peak[channel] = float(loudest[channel]) / float(fullScale);
        // The positive side reaches one step less than the negative one.
        level.clipped[channel] = loudest[channel] >= fullScale - 1;
    }
    return level;
}

void CaptureLevel::merge(const CaptureLevel &other)
{
    for (std::size_t channel = 0; channel < 2; ++channel) {
        peak[channel] = std::max(peak[channel], other.peak[channel]);
        clipped[channel] = clipped[channel] || other.clipped[channel];
    }
}
