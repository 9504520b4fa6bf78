// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingAssignment.h"

void SettingAssignment::applyTo(PanelValues &values) const
{
    if (!key)
        return;
    switch (key->kind) {
    case SettingKey::Kind::Mode:
        values.mode = value;
        break;
    case SettingKey::Kind::Number:
        values.*key->number = value;
        break;
    case SettingKey::Kind::Switch:
        values.*key->flag = op == Op::Toggle ? !(values.*key->flag) : value != 0;
        break;
    }
}

PanelValues SettingAssignment::applyAll(PanelValues values,
                                        std::span<const SettingAssignment> changes)
{
    for (const SettingAssignment &change : changes)
        change.applyTo(values);
    return values;
}
