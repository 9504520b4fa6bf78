// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The running panel's window, for `orlenta show`, `hide` and `quit`.
class PanelWindowTarget {
public:
    virtual ~PanelWindowTarget() = default;
    virtual void showWindow() = 0;
    // Into the tray, as the close box does.
    virtual void hideWindow() = 0;
    // As the tray's Exit; the program must end only after the reply has gone
    // out, so this queues the end rather than ending at once.
    virtual void quitProgram() = 0;
};
