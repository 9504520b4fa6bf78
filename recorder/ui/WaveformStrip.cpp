// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveformStrip.h"

#include <algorithm>

WaveformStrip::WaveformStrip(int width, int height)
    : picture_(std::max(width, 1), std::max(height, 1), QImage::Format_Indexed8),
      centre_(picture_.height() / 2), bandTop_(centre_ - WaveformPalette::bandHalfHeight),
      bandBottom_(centre_ + WaveformPalette::bandHalfHeight)
{
    // Until the window paints it in its palette's colours.
    picture_.setColorCount(WaveformPalette::marker + 1);
    clear();
}

void WaveformStrip::clear()
{
    picture_.fill(uint(WaveformPalette::background));
}

WaveformPalette::Role WaveformStrip::roleAt(int y, WaveformPalette::Role base) const
{
    return y < bandTop_ || y > bandBottom_ ? WaveformPalette::loudTrace : base;
}

void WaveformStrip::span(int x, int from, int to, WaveformPalette::Role base)
{
    if (x < 0 || x >= picture_.width())
        return;
    const int top = std::max(std::min(from, to), 0);
    const int bottom = std::min(std::max(from, to), picture_.height() - 1);
    const qsizetype stride = picture_.bytesPerLine();
    uchar *pixel = picture_.bits() + top * stride + x;
    for (int y = top; y <= bottom; ++y, pixel += stride)
        *pixel = roleAt(y, base);
}

void WaveformStrip::drawMarker(int x)
{
    const int half = WaveformPalette::markerWidth / 2;
    const int first = std::max(x - half, 0), last = std::min(x + half, picture_.width() - 1);
    for (int y = 0; y < picture_.height(); ++y) {
        uchar *row = picture_.scanLine(y);
        for (int column = first; column <= last; ++column)
            row[column] = WaveformPalette::marker;
    }
}
