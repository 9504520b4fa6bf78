// SPDX-License-Identifier: GPL-3.0-or-later
#include "Mp3EncoderConfig.h"

Mp3EncoderConfig Mp3EncoderConfig::forOutput(std::uint16_t channels, std::uint32_t sampleRate)
{
    Mp3EncoderConfig record;
    record.write32(0, kLameConfig);
    record.write32(4, 1);
    record.write32(8, kSize);
    record.write32(12, sampleRate);
    record.write32(16, 0);
    record.write32(20, channels == 1 ? Mono : JointStereo);
    record.write32(24, 320);
    record.write32(36, 1);
    record.write32(56, 0);
    record.write32(60, 1);
    record.write32(64, 1);
    record.write32(68, 0);
    record.write32(84, 1);
    return record;
}

std::uint32_t Mp3EncoderConfig::read32(std::size_t offset) const
{
    return std::uint32_t(bytes_[offset]) | std::uint32_t(bytes_[offset + 1]) << 8 |
           std::uint32_t(bytes_[offset + 2]) << 16 | std::uint32_t(bytes_[offset + 3]) << 24;
}

void Mp3EncoderConfig::write32(std::size_t offset, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes_[offset + i] = std::uint8_t(value >> (8 * i));
}
