// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PanelStatus.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The lines `orlenta watch` prints, one per change. With --json each is the
// object of `status --json` with "source" added; otherwise a readable line
// that names the source and what changed since the line before, e.g.
// "[card] mic-mute: on". The first line tells everything.
class WatchLines {
public:
    explicit WatchLines(bool json) : json_(json) {}

    // The line, with its line end, for the status after a change from source.
    std::string line(const PanelStatus &status, std::string_view source);

private:
    bool json_;
    std::optional<std::vector<std::string>> told_; // "key: value" as the last line had them
};
