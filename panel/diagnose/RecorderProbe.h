// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProbeResult.h"

#include <filesystem>

// The recorder section: the take the recorder keeps between runs (its buffer
// file), how long it is, what its header counts, and whether the recorder's
// next start would repair it. Only looks: the file is never changed.
class RecorderProbe {
public:
    // settingsFolder: where the recorder keeps its buffer file.
    explicit RecorderProbe(std::filesystem::path settingsFolder)
        : settingsFolder_(std::move(settingsFolder))
    {
    }

    ProbeResult run() const;

private:
    std::filesystem::path settingsFolder_;
};
