// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The encoder's configuration record: 331 bytes, packed, little-endian, in
// the published layout of LAME configurations (structure version 1). Every
// byte not set is 0.
class Mp3EncoderConfig {
public:
    static constexpr std::size_t kSize = 331;
    static constexpr std::uint32_t kLameConfig = 256;
    enum Mode : std::uint32_t { Stereo = 0, JointStereo = 1, DualChannel = 2, Mono = 3 };

    // What the recorder asks for: MPEG-1 Layer III, constant 320 kbit/s, joint
    // stereo (mono for one channel), no resampling, no bit reservoir, marked
    // original and not a copy, with the VBR/info header frame.
    static Mp3EncoderConfig forOutput(std::uint16_t channels, std::uint32_t sampleRate);

    Mp3EncoderConfig() = default;
    explicit Mp3EncoderConfig(const std::array<std::uint8_t, kSize> &bytes) : bytes_(bytes) {}
    const std::array<std::uint8_t, kSize> &bytes() const { return bytes_; }

    std::uint32_t config() const { return read32(0); }
    std::uint32_t structVersion() const { return read32(4); }
    std::uint32_t structSize() const { return read32(8); }
    std::uint32_t sampleRate() const { return read32(12); }
    std::uint32_t reSampleRate() const { return read32(16); }
    std::uint32_t mode() const { return read32(20); }
    std::uint32_t bitrate() const { return read32(24); }
    std::uint32_t maxBitrate() const { return read32(28); }
    std::int32_t preset() const { return std::int32_t(read32(32)); }
    std::uint32_t mpegVersion() const { return read32(36); }
    std::uint32_t psyModel() const { return read32(40); }
    std::uint32_t emphasis() const { return read32(44); }
    bool isPrivate() const { return read32(48) != 0; }
    bool crc() const { return read32(52) != 0; }
    bool copyright() const { return read32(56) != 0; }
    bool original() const { return read32(60) != 0; }
    bool writeVbrHeader() const { return read32(64) != 0; }
    bool enableVbr() const { return read32(68) != 0; }
    std::int32_t vbrQuality() const { return std::int32_t(read32(72)); }
    std::uint32_t vbrAbrBps() const { return read32(76); }
    std::int32_t vbrMethod() const { return std::int32_t(read32(80)); }
    bool noReservoir() const { return read32(84) != 0; }
    bool strictIso() const { return read32(88) != 0; }
    std::uint16_t quality() const { return std::uint16_t(bytes_[92] | bytes_[93] << 8); }

private:
    std::uint32_t read32(std::size_t offset) const;
    void write32(std::size_t offset, std::uint32_t value);

    std::array<std::uint8_t, kSize> bytes_{};
};
