#pragma once

#include <QImage>

// One channel's off-screen picture and its drawing pen. Trace segments are
// drawn with the band rule: pixels within the band around the centre line
// (edges included) take the segment's base colour, pixels beyond it the loud
// colour.
class WaveformStrip {
public:
    WaveformStrip(int width, int height);

    const QImage &picture() const { return picture_; }
    int centre() const { return centre_; }

    void clear();
    // Moves the pen without drawing.
    void moveTo(int x, int y);
    // Draws from the pen position to (x, y), both ends included, and moves the pen there.
    void lineTo(int x, int y, QRgb base);
    // A thick vertical line over the whole height; the pen stays where it was.
    void drawMarker(int x);

private:
    void verticalSpan(int x, int from, int to, QRgb base);
    void plot(int x, int y, QRgb base);
    QRgb colourAt(int y, QRgb base) const;

    QImage picture_;
    int centre_;
    int bandTop_;
    int bandBottom_;
    int penX_ = 0;
    int penY_ = 0;
};
