// SPDX-License-Identifier: GPL-3.0-or-later
#include "Contrast.h"

#include <algorithm>
#include <cmath>

namespace {
double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

QColor mixed(const QColor &from, const QColor &to, double share)
{
    const auto channel = [share](int a, int b) { return int(std::lround(a + (b - a) * share)); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                  channel(from.blue(), to.blue()));
}
} // namespace

double Contrast::relativeLuminance(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

double Contrast::ratio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor Contrast::readableOn(const QColor &wanted, const QColor &background)
{
    const QColor opaque = wanted.toRgb();
    if (ratio(opaque, background) >= kMinimum)
        return opaque;
    // One of black and white always reaches the minimum (at least 4.58:1 on
    // any background); the mix towards it gains contrast all the way.
    const QColor extreme = ratio(Qt::black, background) >= ratio(Qt::white, background)
                               ? QColor(Qt::black)
                               : QColor(Qt::white);
    double enough = 1.0, short_ = 0.0;
    for (int step = 0; step < 16; ++step) {
        const double share = (enough + short_) / 2;
        (ratio(mixed(opaque, extreme, share), background) >= kMinimum ? enough : short_) = share;
    }
    return mixed(opaque, extreme, enough);
}
