// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeAudioCapture.h"

#include <algorithm>
#include <cstring>

bool FakeAudioCapture::open(const PcmFormat &format, CaptureListener &listener)
{
    if (busy_ || open_)
        return false;
    format_ = format;
    listener_ = &listener;
    open_ = true;
    started_ = false;
    return true;
}

void FakeAudioCapture::addBuffer(CaptureBlock &block)
{
    if (!open_)
        return;
    block.recorded = 0;
    queued_.push_back(&block);
}

void FakeAudioCapture::start()
{
    if (open_)
        started_ = true;
}

void FakeAudioCapture::reset()
{
    record(held_);
    held_.clear();
    started_ = false;
    handBackAll();
}

void FakeAudioCapture::stopAtOnce()
{
    held_.clear();
    started_ = false;
    handBackAll();
}

void FakeAudioCapture::holdBack(std::span<const std::uint8_t> bytes)
{
    held_.insert(held_.end(), bytes.begin(), bytes.end());
}

void FakeAudioCapture::handBackAll()
{
    while (!queued_.empty()) {
        CaptureBlock &block = *queued_.front();
        queued_.pop_front();
        handBack(block);
    }
}

void FakeAudioCapture::close()
{
    if (!open_)
        return;
    open_ = false;
    started_ = false;
    queued_.clear();
    held_.clear();
    CaptureListener *listener = listener_;
    notifications_.push_back([listener] { listener->OnCaptureClosed(); });
}

void FakeAudioCapture::deliverUntilClosed()
{
    deliver();
}

void FakeAudioCapture::loseDevice()
{
    if (!open_)
        return;
    started_ = false;
    handBackAll();
    CaptureListener *listener = listener_;
    notifications_.push_back([listener] { listener->OnCaptureDeviceLost(); });
    close();
}

void FakeAudioCapture::abandon()
{
    open_ = false;
    started_ = false;
    queued_.clear();
    held_.clear();
    notifications_.clear();
}

void FakeAudioCapture::capture(std::span<const std::uint8_t> bytes)
{
    if (!open_)
        return;
    CaptureListener *listener = listener_;
    const CaptureLevel level = CaptureLevel::measure(bytes.data(), bytes.size(), format_);
    notifications_.push_back([listener, level] { listener->OnCaptureLevel(level); });
    if (started_)
        record(bytes);
}

void FakeAudioCapture::record(std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty() && !queued_.empty()) {
        CaptureBlock &block = *queued_.front();
        const std::size_t n = std::min<std::size_t>(block.length - block.recorded, bytes.size());
        std::memcpy(block.data + block.recorded, bytes.data(), n);
        block.recorded += static_cast<std::uint32_t>(n);
        bytes = bytes.subspan(n);
        if (block.recorded == block.length) {
            queued_.pop_front();
            handBack(block);
        }
    }
}

std::size_t FakeAudioCapture::deliver()
{
    std::size_t count = 0;
    while (!notifications_.empty()) {
        const std::function<void()> notification = std::move(notifications_.front());
        notifications_.pop_front();
        notification();
        ++count;
    }
    return count;
}

void FakeAudioCapture::handBack(CaptureBlock &block)
{
    CaptureListener *listener = listener_;
    CaptureBlock *returned = &block;
    notifications_.push_back([listener, returned] { listener->OnCaptureBuffer(*returned); });
}
