// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ReportWords.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

// The simulated device's own thread: posts input reports to the monitor
// window in the order they were queued, each no earlier than its delay, and
// optionally a state report at a fixed interval. start, stop, running and
// post are called by one owner at a time (the device holds its lock).
class ReportPoster {
public:
    using Clock = std::chrono::steady_clock;

    ReportPoster() = default;
    ~ReportPoster();
    ReportPoster(const ReportPoster &) = delete;
    ReportPoster &operator=(const ReportPoster &) = delete;

    // A zero interval posts no state reports of its own.
    void start(SnxWindow *window, std::chrono::milliseconds stateInterval);
    // Drops what is still queued; nothing is posted after it returns.
    void stop();
    bool running() const { return thread_.joinable(); }

    void setMessage(unsigned int message) { message_ = message; }
    // Ignored while not running.
    void post(const ReportWords::Bytes &report, std::chrono::milliseconds delay);
    // The state report posted at every interval.
    void setStateReport(const ReportWords::Bytes &report);

private:
    struct Pending {
        Clock::time_point due;
        ReportWords::Words words;
    };

    void run();
    std::optional<ReportWords::Words> takeDue(Clock::time_point now);
    void waitForNext(std::unique_lock<std::mutex> &lock);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Pending> pending_;
    SnxWindow *window_ = nullptr;
    std::atomic<unsigned int> message_{0};
    std::chrono::milliseconds stateInterval_{0};
    Clock::time_point nextStateReport_;
    ReportWords::Words stateWords_{};
    bool stopping_ = false;
    std::thread thread_;
};
