// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveformRange.h"

#include "WaveformPalette.h"

namespace {
constexpr double pageSeconds = 30.0;

int columnOf(unsigned ms, unsigned page, int width)
{
    return int((ms / 1000.0 - pageSeconds * page) * width / pageSeconds);
}
} // namespace

WaveformRange::WaveformRange(const WaveformSelection &selection, unsigned page, int width)
    : selection_(selection), startX_(columnOf(selection.startMs, page, width)),
      endX_(columnOf(selection.endMs, page, width))
{
}

WaveformRange::Column WaveformRange::column(int x) const
{
    using namespace WaveformPalette;
    Column result{normalTrace, false, false};
    if (selection_.startSet) {
        result.startMarker = x == startX_;
        result.base = x > startX_ ? insideRange : outsideRange;
        if (selection_.endSet) {
            result.endMarker = x == endX_;
            if (x > endX_)
                result.base = outsideRange;
        }
    } else if (selection_.endSet) {
        result.endMarker = x == endX_;
        result.base = x < endX_ ? insideRange : outsideRange;
    }
    return result;
}
