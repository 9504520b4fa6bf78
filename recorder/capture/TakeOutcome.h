// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RecorderTexts.h"

#include <cstdint>
#include <string>

// What became of an operation on the take: nothing to tell when it was done,
// else why not, in the words and under the caption the user is shown.
struct TakeOutcome {
    std::string problem;
    std::string caption = RecorderTexts::kNotify;

    bool done() const { return problem.empty(); }
};

// A cut's outcome: when done, the kept take's length, and whether the take
// as it was is kept to undo the cut.
struct CutOutcome : TakeOutcome {
    std::uint32_t keptBytes = 0;
    bool undoKept = false;
};
