// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The start and end marks of a take, in whole seconds × 1000. An end may be
// held (filled in by playback) without being set.
struct TakeMarks {
    bool startSet = false;
    bool endSet = false;
    unsigned startMs = 0;
    unsigned endMs = 0;

    bool operator==(const TakeMarks &) const = default;
};
