// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WaveformRange.h"
#include "WaveformStrip.h"

#include <algorithm>

// The trace of one channel within the column being drawn. The points of a
// column join one another, so together they cover one run of rows: it is
// painted once, when the column is done.
class ColumnTrace {
public:
    void start(int y) { top_ = bottom_ = lastFrom_ = lastTo_ = y; }
    // A run of points whose rows lie within top ... bottom, ending in `last`;
    // `beforeLast` is the run's second-last point, if it has one.
    void addRun(int top, int bottom, const int *beforeLast, int last)
    {
        lastFrom_ = beforeLast ? *beforeLast : lastTo_;
        lastTo_ = last;
        top_ = std::min(top_, top);
        bottom_ = std::max(bottom_, bottom);
    }
    int last() const { return lastTo_; }

    void paint(WaveformStrip &strip, int x, const WaveformRange::Column &column) const
    {
        strip.span(x, top_, bottom_, column.base);
        // A mark goes down before each point of its column, so only the
        // column's last segment shows over it.
        if (column.startMarker || column.endMarker) {
            strip.drawMarker(x);
            strip.span(x, lastFrom_, lastTo_, column.base);
        }
    }

private:
    int top_ = 0;
    int bottom_ = 0;
    int lastFrom_ = 0;
    int lastTo_ = 0;
};
