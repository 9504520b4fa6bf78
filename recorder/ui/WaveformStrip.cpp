#include "WaveformStrip.h"

#include "WaveformPalette.h"

#include <algorithm>
#include <cstdlib>

WaveformStrip::WaveformStrip(int width, int height)
    : picture_(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32),
      centre_(picture_.height() / 2), bandTop_(centre_ - WaveformPalette::bandHalfHeight),
      bandBottom_(centre_ + WaveformPalette::bandHalfHeight), penY_(centre_)
{
    clear();
}

void WaveformStrip::clear() { picture_.fill(WaveformPalette::background); }

void WaveformStrip::moveTo(int x, int y)
{
    penX_ = x;
    penY_ = y;
}

QRgb WaveformStrip::colourAt(int y, QRgb base) const
{
    return y < bandTop_ || y > bandBottom_ ? WaveformPalette::loudTrace : base;
}

void WaveformStrip::plot(int x, int y, QRgb base)
{
    if (x < 0 || y < 0 || x >= picture_.width() || y >= picture_.height())
        return;
    reinterpret_cast<QRgb *>(picture_.scanLine(y))[x] = colourAt(y, base);
}

void WaveformStrip::verticalSpan(int x, int from, int to, QRgb base)
{
    if (x < 0 || x >= picture_.width())
        return;
    const int top = std::max(std::min(from, to), 0);
    const int bottom = std::min(std::max(from, to), picture_.height() - 1);
    const qsizetype stride = picture_.bytesPerLine() / qsizetype(sizeof(QRgb));
    QRgb *pixel = reinterpret_cast<QRgb *>(picture_.bits()) + top * stride + x;
    for (int y = top; y <= bottom; ++y, pixel += stride)
        *pixel = colourAt(y, base);
}

void WaveformStrip::lineTo(int x, int y, QRgb base)
{
    if (x == penX_) {
        verticalSpan(x, penY_, y, base);
    } else {
        // Bresenham between columns; happens once per column, so it need not be fast.
        const int dx = std::abs(x - penX_), sx = penX_ < x ? 1 : -1;
        const int dy = -std::abs(y - penY_), sy = penY_ < y ? 1 : -1;
        int error = dx + dy, px = penX_, py = penY_;
        for (;;) {
            plot(px, py, base);
            if (px == x && py == y)
                break;
            const int doubled = 2 * error;
            if (doubled >= dy) {
                error += dy;
                px += sx;
            }
            if (doubled <= dx) {
                error += dx;
                py += sy;
            }
        }
    }
    moveTo(x, y);
}

void WaveformStrip::drawMarker(int x)
{
    const int half = WaveformPalette::markerWidth / 2;
    for (int y = 0; y < picture_.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(picture_.scanLine(y));
        for (int column = std::max(x - half, 0); column <= std::min(x + half, picture_.width() - 1);
             ++column)
            row[column] = WaveformPalette::marker;
    }
}
