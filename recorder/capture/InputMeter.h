// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CaptureLevel.h"

#include <array>
#include <cstdint>
#include <string>

// What the input meter shows: each channel's peak in dBFS with a short hold,
// a clip mark per channel that stays lit from a sample at full scale until
// the user clears it, and whether there is a source to hear at all. Fed the
// level of every stretch the source heard, with the time (in milliseconds,
// on any steady clock) it arrived.
class InputMeter {
public:
    static constexpr std::int64_t kHoldMs = 1500;
    // The quietest level the meter draws.
    static constexpr double kFloorDb = -60.0;

    void show(const CaptureLevel &level, std::int64_t nowMs);
    void setInput(bool available);
    void clearClip() { clipped_ = {}; }

    bool hasInput() const { return hasInput_; }
    // Negative infinity for silence.
    double peakDb(int channel) const { return toDb(peak_[channel]); }
    double heldDb(int channel) const { return toDb(held_[channel]); }
    bool clipped(int channel) const { return clipped_[channel]; }
    // The louder channel's peak now.
    double loudestDb() const;
    // The loudest peak as a number with one decimal ("-6.0"), "-inf" for silence.
    std::string loudestText() const;
    // Where a level falls on the meter's scale, 0 (the floor or below) to 1 (full scale).
    static double fractionOf(double db);

    static double toDb(float peak);

private:
    bool hasInput_ = false;
    std::array<float, 2> peak_{};
    std::array<float, 2> held_{};
    std::array<std::int64_t, 2> heldAt_{};
    std::array<bool, 2> clipped_{};
};
