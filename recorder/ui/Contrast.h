// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

// Contrast between colours as WCAG 2 defines it (relative luminance of sRGB),
// and a colour moved just far enough towards black or white to be read on a
// given background. Every colour the recorder sets itself goes through it, so
// it stays readable on whatever palette the desktop's theme gives.
namespace Contrast {
// What text and drawn marks need against their background.
inline constexpr double kMinimum = 4.5;

double relativeLuminance(const QColor &colour);
// 1 (the same luminance) to 21 (black on white), whichever is lighter.
double ratio(const QColor &a, const QColor &b);
// `wanted` itself when it already has the minimum contrast on `background`;
// else `wanted` mixed with black (on a light background) or white (on a dark
// one), as little as gives the minimum. Its hue stays where it can.
QColor readableOn(const QColor &wanted, const QColor &background);
} // namespace Contrast
