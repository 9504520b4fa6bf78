// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PcmFormat.h"

#include <array>
#include <cstddef>
#include <cstdint>

// How loud a stretch of what the source heard was: the loudest sample of each
// channel as a fraction of full scale (0 to 1), and whether a sample reached
// full scale. Mono fills both channels alike; channels past the second are
// left out.
struct CaptureLevel {
    std::array<float, 2> peak{};
    std::array<bool, 2> clipped{};

    static CaptureLevel measure(const std::uint8_t *pcm, std::size_t length,
                                const PcmFormat &format);
    // Both stretches together.
    void merge(const CaptureLevel &other);

    bool operator==(const CaptureLevel &) const = default;
};
