// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioCapture.h"
#include "PulseConnection.h"

#include <QObject>

#include <atomic>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

struct pa_stream;
struct pa_time_event;
struct pa_mainloop_api;
struct timeval;

// Capture from the sound server's default source through the PulseAudio client
// API (PipeWire answers it too). The stream runs from the moment it opens, so
// the source stays awake and its level is measured; the server's thread fills
// the queued blocks once recording starts. Every filled block, every level and
// the close notice are posted to the thread that created this object, in order.
//
// The stream stays on the source it started on: should that source go away,
// the capture ends (device lost) instead of recording whatever the server
// would move it to. A stop takes what the source had captured up to that
// moment but not yet sent, before the close notice.
class PulseAudioCapture : public AudioCapture {
public:
    PulseAudioCapture();
    ~PulseAudioCapture() override;
    PulseAudioCapture(const PulseAudioCapture &) = delete;
    PulseAudioCapture &operator=(const PulseAudioCapture &) = delete;

    bool open(const PcmFormat &format, CaptureListener &listener) override;
    void addBuffer(CaptureBlock &block) override;
    void start() override;
    void reset() override;
    void stopAtOnce() override;
    void close() override;
    void deliverUntilClosed() override;
    void abandon() override;

private:
    static void onStreamState(pa_stream *stream, void *self);
    static void onStreamRead(pa_stream *stream, std::size_t bytes, void *self);
    static void onDrainTimeout(pa_mainloop_api *api, pa_time_event *event, const timeval *when,
                               void *self);

    bool connectStream(const PcmFormat &format);
    void teardown();
    // The following run with the main loop's lock held.
    void readStream();
    void take(const std::uint8_t *data, std::size_t bytes);
    void measure(const std::uint8_t *data, std::size_t bytes);
    std::uint64_t heldBytes() const;
    void fillQueued();
    void startDrain();
    bool drained() const;
    void finishDrain();
    void stopTimer();
    void handBack(CaptureBlock &block);
    void handBackAll();
    void postLevel(const CaptureLevel &level);
    void postLost();
    void postClosed();
    void post(std::function<void()> notification);

    std::unique_ptr<QObject> receiver_;
    PulseConnection connection_;
    pa_stream *stream_ = nullptr;
    pa_time_event *drainTimer_ = nullptr;
    CaptureListener *listener_ = nullptr;
    std::deque<CaptureBlock *> queued_;
    std::vector<std::uint8_t> pending_;
    std::size_t pendingLimit_ = 0;
    PcmFormat format_;
    // Bytes taken from the stream since the start, and where a stop ends the take.
    std::uint64_t taken_ = 0;
    std::uint64_t stopAt_ = 0;
    // Bytes still to arrive that the source heard before the start.
    std::uint64_t heardBefore_ = 0;
    // The level of what arrived since the last one was posted, over how many bytes.
    CaptureLevel level_;
    std::size_t levelBytes_ = 0;
    // Bytes the stream has sent since it opened.
    std::uint64_t arrivedBytes_ = 0;
    std::size_t levelStep_ = 0;
    bool running_ = false;
    bool draining_ = false;
    bool closeRequested_ = false;
    bool closedPosted_ = false;
    // Notifications posted so far; deliverUntilClosed waits for new ones.
    std::uint64_t posted_ = 0;
    // Notifications carry the session they belong to; open() and abandon() start a new one.
    std::atomic<unsigned> session_ = 0;
};
