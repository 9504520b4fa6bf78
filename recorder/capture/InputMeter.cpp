// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

void InputMeter::show(const CaptureLevel &level, std::int64_t nowMs)
{
    hasInput_ = true;
    for (std::size_t channel = 0; channel < 2; ++channel) {
        peak_[channel] = level.peak[channel];
        clipped_[channel] = clipped_[channel] || level.clipped[channel];
        if (peak_[channel] >= held_[channel] || nowMs - heldAt_[channel] >= kHoldMs) {
            held_[channel] = peak_[channel];
            heldAt_[channel] = nowMs;
        }
    }
}

void InputMeter::setInput(bool available)
{
    hasInput_ = available;
    if (!available)
        peak_ = held_ = {};
}

double InputMeter::loudestDb() const
{
    return toDb(std::max(peak_[0], peak_[1]));
}

std::string InputMeter::loudestText() const
{
    const double db = loudestDb();
    if (std::isinf(db))
        return "-inf";
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", db);
    return text;
}

double InputMeter::fractionOf(double db)
{
    return std::clamp(1.0 - db / kFloorDb, 0.0, 1.0);
}

double InputMeter::toDb(float peak)
{
    if (peak <= 0.0f)
        return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(double(peak));
}
