// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Tab and Shift+Tab across a window and the tool window docked to it (the
// panel and its recorder), which the user sees as one: past one window's last
// control into the other's first, past its first into the other's last. The
// docked window is a frameless tool window whose transient parent is the
// other; each finds the other by that tie, so neither needs to know the other.
namespace DockedTabChain {
// Called from a window's focusNextPrevChild: true when the focus went over
// to the docked partner, which shows and has a control to take it; false when
// the window is to move its focus itself.
bool handOver(QWidget &window, bool next);
} // namespace DockedTabChain
