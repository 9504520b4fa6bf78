// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <string>

// Watches an X display for a top-level window with a given title being mapped.
class WindowMapWatcher {
public:
    WindowMapWatcher();
    ~WindowMapWatcher();
    WindowMapWatcher(const WindowMapWatcher &) = delete;
    WindowMapWatcher &operator=(const WindowMapWatcher &) = delete;

    bool connected() const { return connection_ != nullptr; }
    // True once a window titled title is mapped, false after timeout.
    bool waitForMap(const std::string &title, std::chrono::milliseconds timeout);

private:
    std::string titleOf(xcb_window_t window);

    xcb_connection_t *connection_ = nullptr;
    xcb_atom_t netWmName_ = XCB_ATOM_NONE;
    xcb_atom_t utf8String_ = XCB_ATOM_NONE;
};
