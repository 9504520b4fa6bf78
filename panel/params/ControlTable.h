// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PanelControls.h"

#include <map>
#include <set>
#include <string>

// The dialog's controls without a window: texts, check marks and enable
// states by resource id. A run without a display keeps its state here and
// goes through the same bindings as the dialog.
class ControlTable : public PanelControls {
public:
    std::string text(int id) const override;
    void setText(int id, const std::string &text) override;
    bool isChecked(int id) const override;
    void setChecked(int id, bool checked) override;
    void setEnabled(int id, bool enabled) override;
    // Controls start disabled, as the dialog's device controls do.
    bool isEnabled(int id) const;

private:
    std::map<int, std::string> texts_;
    std::set<int> checked_;
    std::set<int> enabled_;
};
