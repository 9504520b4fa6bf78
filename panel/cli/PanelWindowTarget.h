// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The running panel's window, for `orlenta show`, `hide` and `quit`.
class PanelWindowTarget {
public:
    virtual ~PanelWindowTarget() = default;
    // As the tray brings it back; the token from the desktop lets it take
    // the focus where the desktop asks for one.
    virtual void showWindow(const std::string &activationToken) = 0;
    // Into the tray, as the close box puts it there; minimised where there
    // is no tray, so that the taskbar still leads back to it.
    virtual void hideWindow() = 0;
    // As the tray's Exit; the program must end only after the reply has gone
    // out, so this queues the end rather than ending at once.
    virtual void quitProgram() = 0;
};
