// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WaveformPalette.h"

#include <QImage>

// One channel's off-screen picture, each pixel a WaveformPalette role. Trace
// segments are vertical spans drawn with the band rule: pixels within the band
// around the centre line (edges included) take the segment's base role, pixels
// beyond it the loud one.
class WaveformStrip {
public:
    WaveformStrip(int width, int height);

    const QImage &picture() const { return picture_; }
    int centre() const { return centre_; }

    void clear();
    // The trace from row `from` to row `to` (both included) in column x.
    void span(int x, int from, int to, WaveformPalette::Role base);
    // A thick vertical line over the whole height.
    void drawMarker(int x);

private:
    WaveformPalette::Role roleAt(int y, WaveformPalette::Role base) const;

    QImage picture_;
    int centre_;
    int bandTop_;
    int bandBottom_;
};
