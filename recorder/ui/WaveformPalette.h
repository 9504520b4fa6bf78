// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

// Colours of the waveform strips. The strips are 32-bit pictures, so pens are
// plain RGB values written straight into the pixels.
namespace WaveformPalette {
inline constexpr QRgb background = 0xffc0c0c0;   // 192, 192, 192
inline constexpr QRgb normalTrace = 0xff6464dc;  // 100, 100, 220
inline constexpr QRgb loudTrace = 0xffff0000;    // 255, 0, 0
inline constexpr QRgb insideRange = 0xff3232c8;  // 50, 50, 200
inline constexpr QRgb outsideRange = 0xffaca899; // 172, 168, 153
inline constexpr QRgb marker = 0xffffff00;       // 255, 255, 0
inline constexpr int markerWidth = 3;
// Samples further than this from the centre line are drawn in the loud pen.
inline constexpr int bandHalfHeight = 26;
} // namespace WaveformPalette
