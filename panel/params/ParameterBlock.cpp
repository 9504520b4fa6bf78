// SPDX-License-Identifier: GPL-3.0-or-later
#include "ParameterBlock.h"

#include "HexDigit.h"

#include <algorithm>

namespace {

std::uint8_t bits(int value, int low, int high, int shift)
{
    return static_cast<std::uint8_t>(std::clamp(value, low, high) << shift);
}

std::uint8_t flag(bool on, int shift)
{
    return static_cast<std::uint8_t>((on ? 1 : 0) << shift);
}

int field(std::uint8_t byte, int shift, int mask)
{
    return (byte >> shift) & mask;
}

bool bit(std::uint8_t byte, int shift)
{
    return ((byte >> shift) & 1) != 0;
}

// The value of the pair's leading hex digits: "3e" 0x3E, "3x" 3, "x3" 0.
std::uint8_t leadingHex(std::string_view pair)
{
    int value = 0;
    for (char c : pair) {
        const int digit = hexDigitValue(c);
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    return static_cast<std::uint8_t>(value);
}

} // namespace

ParameterBlock ParameterBlock::factory()
{
    return ParameterBlock({0x0F, 0x0F, 0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E});
}

ParameterBlock ParameterBlock::newPreset()
{
    return ParameterBlock({0x0F, 0x0F, 0x4F, 0x15, 0xBC, 0x2C, 0x2C, 0x3E});
}

ParameterBlock ParameterBlock::pack(const PanelValues &v)
{
    Bytes b{};
    b[0] = bits(v.auxLevelA, 0, kAuxLevelMax, 0) | flag(v.auxSwitchA, 7);
    b[1] = bits(v.auxLevelB, 0, kAuxLevelMax, 0) | flag(v.auxSwitchB, 7);
    b[2] = bits(v.auxLevelC, 0, kVolumeMax, 0) | flag(v.auxSwitchC, 6);
    b[3] =
        bits(v.fxIntensity - 1, 0, kStepFieldMax - 1, 0) | bits(v.fxType - 1, 0, kFxTypeMax - 1, 3);
    b[4] = bits(v.masterVol, 0, kVolumeMax, 0) | bits(v.mode, 0, kModeMax, 4) | flag(v.soundMix, 7);
    b[5] = bits(v.recVol, 0, kVolumeMax, 0) | bits(v.duckingSpeed - 1, 0, kStepFieldMax - 1, 4) |
           flag(v.recMute, 7);
    b[6] = bits(v.fxVol, 0, kVolumeMax, 0) | bits(v.duckingThreshold - 1, 0, kStepFieldMax - 1, 4) |
           flag(v.micMute, 7);
    b[7] = bits(v.musicVol, 0, kVolumeMax, 0) | bits(v.duckingGrade - 1, 0, kStepFieldMax - 1, 4) |
           flag(v.musicMute, 7);
    return ParameterBlock(b);
}

PanelValues ParameterBlock::unpack() const
{
    const Bytes &b = bytes_;
    PanelValues v;
    v.auxLevelA = field(b[0], 0, 0x7F);
    v.auxSwitchA = bit(b[0], 7);
    v.auxLevelB = field(b[1], 0, 0x7F);
    v.auxSwitchB = bit(b[1], 7);
    v.auxLevelC = field(b[2], 0, 0x0F);
    v.auxSwitchC = bit(b[2], 6);
    v.fxIntensity = field(b[3], 0, 7) + 1;
    v.fxType = field(b[3], 3, 7) + 1;
    v.masterVol = field(b[4], 0, 0x0F);
    v.mode = field(b[4], 4, 7);
    v.soundMix = bit(b[4], 7);
    v.recVol = field(b[5], 0, 0x0F);
    v.duckingSpeed = field(b[5], 4, 7) + 1;
    v.recMute = bit(b[5], 7);
    v.fxVol = field(b[6], 0, 0x0F);
    v.duckingThreshold = field(b[6], 4, 7) + 1;
    v.micMute = bit(b[6], 7);
    v.musicVol = field(b[7], 0, 0x0F);
    v.duckingGrade = field(b[7], 4, 7) + 1;
    v.musicMute = bit(b[7], 7);
    return v;
}

std::string ParameterBlock::toText() const
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes_.size() * 2);
    for (std::uint8_t byte : bytes_) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

ParameterBlock ParameterBlock::fromText(std::string_view text)
{
    Bytes b = newPreset().bytes();
    for (std::size_t i = 0; i < b.size() && 2 * i < text.size(); ++i)
        b[i] = leadingHex(text.substr(2 * i, 2));
    return ParameterBlock(b);
}
