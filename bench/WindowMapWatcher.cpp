// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowMapWatcher.h"

#include <poll.h>

#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    xcb_atom_t atom = XCB_ATOM_NONE;
    if (reply)
        atom = reply->atom;
    std::free(reply);
    return atom;
}

} // namespace

WindowMapWatcher::WindowMapWatcher()
{
    int screenNumber = 0;
    connection_ = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection_)) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, screens.data->root, XCB_CW_EVENT_MASK, &mask);
    netWmName_ = internAtom(connection_, "_NET_WM_NAME");
    utf8String_ = internAtom(connection_, "UTF8_STRING");
    xcb_flush(connection_);
}

WindowMapWatcher::~WindowMapWatcher()
{
    if (connection_)
        xcb_disconnect(connection_);
}

std::string WindowMapWatcher::titleOf(xcb_window_t window)
{
    auto cookie = xcb_get_property(connection_, 0, window, netWmName_, utf8String_, 0, 256);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(connection_, cookie, nullptr);
    std::string title;
    if (reply) {
        title.assign(static_cast<const char *>(xcb_get_property_value(reply)),
                     static_cast<std::size_t>(xcb_get_property_value_length(reply)));
        std::free(reply);
    }
    return title;
}

bool WindowMapWatcher::waitForMap(const std::string &title, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
    while (std::chrono::steady_clock::now() < deadline) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection_)) {
            const bool mapped = (event->response_type & 0x7F) == int{XCB_MAP_NOTIFY};
            const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
            std::free(event);
            if (mapped && titleOf(window) == title)
                return true;
        }
        poll(&fd, 1, 2);
    }
    return false;
}
