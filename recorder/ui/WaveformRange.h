// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

// Start and end positions as the recorder dialog holds them.
struct WaveformSelection {
    bool startSet = false;
    bool endSet = false;
    unsigned startMs = 0;
    unsigned endMs = 0;
};

// Chooses the trace colour of each column of a page redrawn from the file, and
// where the start and end marks fall on that page.
class WaveformRange {
public:
    struct Column {
        QRgb base;
        bool startMarker;
        bool endMarker;
    };

    WaveformRange(const WaveformSelection &selection, unsigned page, int width);
    Column column(int x) const;

private:
    WaveformSelection selection_;
    int startX_;
    int endX_;
};
