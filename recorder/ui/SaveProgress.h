// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Where a save shows how far it got.
class SaveProgress {
public:
    virtual ~SaveProgress() = default;
    virtual void setRange(std::uint64_t total) = 0;
    virtual void setDone(std::uint64_t done) = 0;
};
