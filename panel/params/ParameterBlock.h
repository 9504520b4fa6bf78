// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PanelValues.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The eight data bytes that carry every DSP setting: written with head 0x60,
// read with index 1, reported with head 0x02, stored as 16 hex digits.
class ParameterBlock {
public:
    using Bytes = std::array<std::uint8_t, 8>;

    // Ranges of the settings as the panel offers them; pack clamps into them.
    static constexpr int kVolumeMax = 15;
    static constexpr int kAuxLevelMax = 127; // levels A and B own seven bits
    static constexpr int kFxTypeMax = 6;
    static constexpr int kStepFieldMax = 8; // intensity and the three ducking settings
    static constexpr int kModeMax = 5;

    ParameterBlock() = default;
    explicit ParameterBlock(const Bytes &bytes) : bytes_(bytes) {}

    static ParameterBlock factory();   // 0F 0F 4F 15 BC 2A 2F 3E
    static ParameterBlock newPreset(); // 0F 0F 4F 15 BC 2C 2C 3E

    static ParameterBlock pack(const PanelValues &values);
    PanelValues unpack() const;

    // Sixteen lowercase hex digits, byte 1 first, high nibble first.
    std::string toText() const;
    // Two characters per byte, each pair read by its leading hex digits (0 when
    // it has none). Bytes the text is too short to reach keep the new-preset
    // block's value, so an empty or missing preset behaves like a fresh one.
    static ParameterBlock fromText(std::string_view text);

    const Bytes &bytes() const { return bytes_; }
    bool operator==(const ParameterBlock &) const = default;

private:
    Bytes bytes_{};
};
