// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The main window as the desktop services see it: whether the user sees it,
// and the one way to show or hide it.
class WindowPresence {
public:
    virtual ~WindowPresence() = default;
    // Shown and not minimised.
    virtual bool isShown() const = 0;
    // Shown and holding the focus: what changes is seen there.
    virtual bool isActive() const = 0;
    // Shown and raised when it is not shown, else hidden.
    virtual void toggle() = 0;
};
