// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The dialog's controls as the bindings see them, addressed by resource id.
// The window implements it over its widgets; tests may use a plain table.
class PanelControls {
public:
    virtual ~PanelControls() = default;
    virtual std::string text(int id) const = 0;
    virtual void setText(int id, const std::string &text) = 0;
    virtual bool isChecked(int id) const = 0;
    virtual void setChecked(int id, bool checked) = 0;
    virtual void setEnabled(int id, bool enabled) = 0;
};
