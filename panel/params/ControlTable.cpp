// SPDX-License-Identifier: GPL-3.0-or-later
#include "ControlTable.h"

std::string ControlTable::text(int id) const
{
    const auto it = texts_.find(id);
    return it == texts_.end() ? std::string() : it->second;
}

void ControlTable::setText(int id, const std::string &text)
{
    texts_[id] = text;
}

bool ControlTable::isChecked(int id) const
{
    return checked_.count(id) != 0;
}

void ControlTable::setChecked(int id, bool checked)
{
    if (checked)
        checked_.insert(id);
    else
        checked_.erase(id);
}

void ControlTable::setEnabled(int id, bool enabled)
{
    if (enabled)
        enabled_.insert(id);
    else
        enabled_.erase(id);
}

bool ControlTable::isEnabled(int id) const
{
    return enabled_.count(id) != 0;
}
