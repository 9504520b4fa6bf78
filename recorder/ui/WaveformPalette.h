// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QList>

#include <cstdint>

class QPalette;

// Colours of the waveform strips. The strips are 8-bit pictures whose pixels
// say what they show (a role below); the colours come from the window's
// palette when the strips are painted, so a theme that changes while a take
// shows recolours it without drawing it again.
namespace WaveformPalette {
enum Role : std::uint8_t {
    background,
    normalTrace,
    loudTrace,
    insideRange,
    outsideRange,
    marker,
};
inline constexpr int markerWidth = 3;
// Samples further than this from the centre line are drawn in the loud pen.
inline constexpr int bandHalfHeight = 26;

// The colour of each role, indexed by it: the palette's base colour behind,
// and the traces and marks in their own hues (blue, red, dark blue, grey,
// yellow), each as close to its hue as leaves it readable on that base.
QList<QRgb> colourTable(const QPalette &palette);
// The position cursor: the palette's text colour, readable on the base.
QColor cursor(const QPalette &palette);
} // namespace WaveformPalette
