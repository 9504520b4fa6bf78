// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TakeMarks.h"

#include <QColor>

// Chooses the trace colour of each column of a page redrawn from the file, and
// where the start and end marks fall on that page.
class WaveformRange {
public:
    struct Column {
        QRgb base;
        bool startMarker;
        bool endMarker;
    };

    WaveformRange(const TakeMarks &marks, unsigned page, int width);
    Column column(int x) const;

private:
    TakeMarks marks_;
    int startX_;
    int endX_;
};
