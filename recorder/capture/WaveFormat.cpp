// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveFormat.h"

#include <algorithm>

namespace {

void put16(std::uint8_t *at, std::uint16_t value)
{
    at[0] = std::uint8_t(value);
    at[1] = std::uint8_t(value >> 8);
}

void put32(std::uint8_t *at, std::uint32_t value)
{
    put16(at, std::uint16_t(value));
    put16(at + 2, std::uint16_t(value >> 16));
}

} // namespace

WaveFormat WaveFormat::forCapture(const CaptureFormat &format)
{
    WaveFormat wave;
    wave.formatTag = 1;
    wave.channels = format.channels;
    wave.samplesPerSec = format.samplesPerSecond;
    wave.avgBytesPerSec = format.averageBytesPerSecond();
    wave.blockAlign = std::uint16_t(format.bitsPerSample * format.channels / 8);
    wave.bitsPerSample = format.bitsPerSample;
    wave.cbSize = 18;
    return wave;
}

WaveFormat WaveFormat::forWriter(int channelMode, std::uint32_t samplesPerSecond,
                                 std::uint16_t bitsPerSample)
{
    WaveFormat wave;
    wave.formatTag = 1;
    wave.channels = channelMode != 0 ? 2 : 1;
    wave.samplesPerSec = samplesPerSecond;
    wave.bitsPerSample = std::min<std::uint16_t>(bitsPerSample, 16);
    wave.blockAlign = std::uint16_t(wave.channels * wave.bitsPerSample / 8);
    wave.avgBytesPerSec = wave.samplesPerSec * wave.blockAlign;
    wave.cbSize = 0;
    return wave;
}

std::array<std::uint8_t, WaveFormat::kSize> WaveFormat::bytes() const
{
    std::array<std::uint8_t, kSize> out{};
    put16(&out[0], formatTag);
    put16(&out[2], channels);
    put32(&out[4], samplesPerSec);
    put32(&out[8], avgBytesPerSec);
    put16(&out[12], blockAlign);
    put16(&out[14], bitsPerSample);
    put16(&out[16], cbSize);
    return out;
}
