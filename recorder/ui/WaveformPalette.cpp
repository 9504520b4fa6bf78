// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveformPalette.h"

#include "Contrast.h"

#include <QPalette>

QList<QRgb> WaveformPalette::colourTable(const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Base);
    const auto on = [&base](int r, int g, int b) {
        return Contrast::readableOn(QColor(r, g, b), base).rgb();
    };
    return {base.rgb(),      on(100, 100, 220), on(255, 0, 0),
            on(50, 50, 200), on(172, 168, 153), on(255, 255, 0)};
}

QColor WaveformPalette::cursor(const QPalette &palette)
{
    return Contrast::readableOn(palette.color(QPalette::Text), palette.color(QPalette::Base));
}
