// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportPoster.h"

#include <algorithm>

ReportPoster::~ReportPoster()
{
    stop();
}

void ReportPoster::start(SnxWindow *window, std::chrono::milliseconds stateInterval)
{
    stop();
    {
        std::lock_guard lock(mutex_);
        window_ = window;
        stopping_ = false;
        stateInterval_ = stateInterval;
        nextStateReport_ = Clock::now() + stateInterval;
    }
    thread_ = std::thread([this] { run(); });
}

void ReportPoster::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        pending_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void ReportPoster::post(const ReportWords::Bytes &report, std::chrono::milliseconds delay)
{
    if (!running())
        return;
    {
        std::lock_guard lock(mutex_);
        pending_.push_back({Clock::now() + delay, ReportWords::pack(report)});
    }
    wake_.notify_all();
}

void ReportPoster::setStateReport(const ReportWords::Bytes &report)
{
    std::lock_guard lock(mutex_);
    stateWords_ = ReportWords::pack(report);
}

void ReportPoster::run()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const std::optional<ReportWords::Words> words = takeDue(Clock::now());
        if (!words) {
            waitForNext(lock);
            continue;
        }
        // Posting without the lock lets the device queue more meanwhile.
        lock.unlock();
        window_->postMessage(window_, message_.load(), SNX_INPUT_REPORT_WPARAM,
                             reinterpret_cast<std::intptr_t>(words->data()));
        lock.lock();
    }
}

std::optional<ReportWords::Words> ReportPoster::takeDue(Clock::time_point now)
{
    // Only the front is looked at: a later report never overtakes an earlier
    // one, even if it was queued with a shorter delay.
    if (!pending_.empty() && pending_.front().due <= now) {
        const ReportWords::Words words = pending_.front().words;
        pending_.pop_front();
        return words;
    }
    if (stateInterval_.count() > 0 && nextStateReport_ <= now) {
        nextStateReport_ = now + stateInterval_;
        return stateWords_;
    }
    return std::nullopt;
}

void ReportPoster::waitForNext(std::unique_lock<std::mutex> &lock)
{
    std::optional<Clock::time_point> deadline;
    if (!pending_.empty())
        deadline = pending_.front().due;
    if (stateInterval_.count() > 0)
        deadline = deadline ? std::min(*deadline, nextStateReport_) : nextStateReport_;
    if (deadline)
        wake_.wait_until(lock, *deadline);
    else
        wake_.wait(lock);
}
