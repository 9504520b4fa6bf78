// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PanelValues.h"

#include <optional>
#include <string>
#include <string_view>

// What `orlenta status` reports: the card's settings as the panel shows
// them, the selected preset, and whether the card is connected.
struct PanelStatus {
    bool connected = false;
    // None until the card's block has been read: nothing is known then.
    std::optional<PanelValues> values;
    // The mode button that is checked; none when none is (a card may report
    // a mode the panel does not offer).
    std::optional<int> mode;
    std::optional<int> preset; // 1-4

    // One "key: value" line per setting, keys as in the JSON.
    std::string toText() const;
    // One JSON object on one line, keys in a fixed order.
    std::string toJson() const;
    // The same object with "source" last: who made the change it follows.
    std::string toJson(std::string_view source) const;

    bool operator==(const PanelStatus &) const = default;

private:
    // The JSON object up to its closing brace.
    std::string fields() const;
};
