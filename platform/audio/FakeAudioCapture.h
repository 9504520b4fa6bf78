// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioCapture.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <span>
#include <vector>

// A scriptable capture device for tests and benchmarks. Captured bytes are
// given by the script; notifications wait in a queue until deliver() runs
// them, the way posted window messages wait for the event loop.
class FakeAudioCapture : public AudioCapture {
public:
    bool open(const PcmFormat &format, CaptureListener &listener) override;
    void addBuffer(CaptureBlock &block) override;
    void start() override;
    void reset() override;
    void stopAtOnce() override;
    void close() override;
    void deliverUntilClosed() override;
    void abandon() override;

    // Script: whether the next open finds the device free.
    void setDeviceBusy(bool busy) { busy_ = busy; }
    // The source hears these bytes: while the device is open their level is
    // handed back, and while it is started they are recorded into the queued
    // blocks; every block that fills is handed back. Bytes with no block
    // left are lost.
    void capture(std::span<const std::uint8_t> bytes);
    // The source has heard these bytes but not sent them yet: a reset waits
    // for them and records them, a stop at once does not.
    void holdBack(std::span<const std::uint8_t> bytes);
    // The device goes away the way an unplugged card does: it hands back what
    // it holds, says it was lost and closes.
    void loseDevice();
    // Runs the waiting notifications in order, including any they cause.
    // Returns how many ran.
    std::size_t deliver();

    bool isOpen() const { return open_; }
    bool isStarted() const { return started_; }
    const PcmFormat &format() const { return format_; }
    std::size_t queuedBlocks() const { return queued_.size(); }

private:
    void handBack(CaptureBlock &block);
    void handBackAll();
    void record(std::span<const std::uint8_t> bytes);

    PcmFormat format_;
    CaptureListener *listener_ = nullptr;
    std::deque<CaptureBlock *> queued_;
    std::deque<std::function<void()>> notifications_;
    std::vector<std::uint8_t> held_;
    bool busy_ = false;
    bool open_ = false;
    bool started_ = false;
};
