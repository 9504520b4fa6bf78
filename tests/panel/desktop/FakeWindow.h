// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WindowPresence.h"

// The main window as a test sets it: hidden, shown, or shown with the focus.
class FakeWindow : public WindowPresence {
public:
    bool isShown() const override { return shown; }
    bool isActive() const override { return shown && active; }
    void toggle() override
    {
        shown = !shown;
        ++toggles;
    }

    bool shown = false;
    bool active = false;
    int toggles = 0;
};
