// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SnxApi.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

// A window that keeps every message a HID control library posts to it, in
// arrival order, for the test thread to take.
class RecordingWindow : public SnxWindow {
public:
    struct Message {
        unsigned int message;
        std::uintptr_t wParam;
        std::array<std::uint32_t, 4> words;
    };

    RecordingWindow();

    // The oldest message not yet taken, waiting up to timeout for one.
    std::optional<Message> next(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    std::size_t waiting() const;

private:
    static void record(SnxWindow *window, unsigned int message, std::uintptr_t wParam,
                       std::intptr_t lParam);

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Message> messages_;
};
