// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a call on the event loop's thread, so that a
// program that runs until it is interrupted ends the way it would end on its
// own: what it holds is closed and what it printed is out. One at a time; the
// signals' earlier handling is restored when it goes.
class StopSignals {
public:
    explicit StopSignals(std::function<void()> stop);
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

private:
    std::function<void()> stop_;
    std::unique_ptr<QSocketNotifier> notifier_;
};
