// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

// One channel's off-screen picture. Trace segments are vertical spans drawn
// with the band rule: pixels within the band around the centre line
// (edges included) take the segment's base colour, pixels beyond it the loud
// colour.
class WaveformStrip {
public:
    WaveformStrip(int width, int height);

    const QImage &picture() const { return picture_; }
    int centre() const { return centre_; }

    void clear();
    // The trace from row `from` to row `to` (both included) in column x.
    void span(int x, int from, int to, QRgb base);
    // A thick vertical line over the whole height.
    void drawMarker(int x);

private:
    QRgb colourAt(int y, QRgb base) const;

    QImage picture_;
    int centre_;
    int bandTop_;
    int bandBottom_;
};
