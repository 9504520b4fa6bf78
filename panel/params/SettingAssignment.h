// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PanelValues.h"
#include "SettingKeys.h"

#include <span>

// One change a command asks for: a key set to a value, or a switch flipped.
struct SettingAssignment {
    enum class Op { Set, Toggle };

    const SettingKey *key = nullptr;
    Op op = Op::Set;
    int value = 0; // mode code, number, or 0/1 for a switch

    void applyTo(PanelValues &values) const;
    // Every assignment in order, on a copy of values.
    static PanelValues applyAll(PanelValues values, std::span<const SettingAssignment> changes);

    bool operator==(const SettingAssignment &) const = default;
};
