// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TakeMarks.h"
#include "WaveformPalette.h"

// Chooses the trace role of each column of a page redrawn from the file, and
// where the start and end marks fall on that page.
class WaveformRange {
public:
    struct Column {
        WaveformPalette::Role base;
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
