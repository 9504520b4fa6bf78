// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingWindow.h"

#include <cstring>

RecordingWindow::RecordingWindow() : SnxWindow{&RecordingWindow::record} {}

std::optional<RecordingWindow::Message> RecordingWindow::next(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_for(lock, timeout, [this] { return !messages_.empty(); }))
        return std::nullopt;
    const Message message = messages_.front();
    messages_.pop_front();
    return message;
}

std::size_t RecordingWindow::waiting() const
{
    std::lock_guard lock(mutex_);
    return messages_.size();
}

void RecordingWindow::record(SnxWindow *window, unsigned int message, std::uintptr_t wParam,
                             std::intptr_t lParam)
{
    auto *self = static_cast<RecordingWindow *>(window);
    Message copy{message, wParam, {}};
    if (wParam == SNX_INPUT_REPORT_WPARAM && lParam)
        std::memcpy(copy.words.data(), reinterpret_cast<const void *>(lParam), sizeof copy.words);
    {
        std::lock_guard lock(self->mutex_);
        self->messages_.push_back(copy);
    }
    self->arrived_.notify_all();
}
