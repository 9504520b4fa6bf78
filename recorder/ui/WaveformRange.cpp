// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveformRange.h"

#include "TakeModel.h"

namespace {
constexpr double pageSeconds = TakeModel::kPageSeconds;

int columnOf(unsigned ms, unsigned page, int width)
{
    return int((ms / 1000.0 - pageSeconds * page) * width / pageSeconds);
}
} // namespace

WaveformRange::WaveformRange(const TakeMarks &marks, unsigned page, int width)
    : marks_(marks), startX_(columnOf(marks.startMs, page, width)),
      endX_(columnOf(marks.endMs, page, width))
{
}

WaveformRange::Column WaveformRange::column(int x) const
{
    using namespace WaveformPalette;
    Column result{normalTrace, false, false};
    if (marks_.startSet) {
        result.startMarker = x == startX_;
        result.base = x > startX_ ? insideRange : outsideRange;
        if (marks_.endSet) {
            result.endMarker = x == endX_;
            if (x > endX_)
                result.base = outsideRange;
        }
    } else if (marks_.endSet) {
        result.endMarker = x == endX_;
        result.base = x < endX_ ? insideRange : outsideRange;
    }
    return result;
}
