// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CaptureLevel.h"
#include "PcmFormat.h"

#include <cstdint>

// One capture block. Its memory belongs to whoever queues it; the device fills
// it and hands it back with the number of bytes it recorded.
struct CaptureBlock {
    std::uint8_t *data = nullptr;
    std::uint32_t length = 0;
    std::uint32_t recorded = 0;
};

// Receives what a capture device hands back, one notification at a time, on
// the thread that opened the device and in the order the blocks were filled.
class CaptureListener {
public:
    virtual ~CaptureListener() = default;
    // A queued block comes back, filled or, after a reset, partly filled or empty.
    virtual void OnCaptureBuffer(CaptureBlock &block) = 0;
    // How loud the source was over the last 50 ms or so; arrives while the
    // device is open, recording or not.
    virtual void OnCaptureLevel(const CaptureLevel &level) = 0;
    // The device went away while open (unplugged, or the sound server lost
    // it): the blocks it held have been handed back and the close notice follows.
    virtual void OnCaptureDeviceLost() = 0;
    // The device has closed; nothing more arrives for this capture.
    virtual void OnCaptureClosed() = 0;
};

// A recording device with the behaviour of a block-queue capture: blocks are
// queued, filled in order and handed back. Notifications are never delivered
// from inside these calls; they are posted and arrive later on the opener's
// thread, so a listener may call back into the device while handling one.
class AudioCapture {
public:
    virtual ~AudioCapture() = default;
    // Opens the default recording device in the given format. It runs from
    // then on, so the source is awake and its level arrives, but records
    // nothing until start(). False when the device cannot be opened (busy or
    // absent).
    virtual bool open(const PcmFormat &format, CaptureListener &listener) = 0;
    // Queues a block to be filled; ignored while the device is not open.
    virtual void addBuffer(CaptureBlock &block) = 0;
    // Starts recording: what the source hears from the moment of this call
    // belongs to the capture, and nothing it heard before, though that may
    // still be on its way.
    virtual void start() = 0;
    // Stops recording and hands back every queued block, together holding
    // everything captured up to this moment: audio the device still holds may
    // take a moment to arrive, the blocks come back once it has.
    virtual void reset() = 0;
    // Stops recording now, for a capture that must end at once: the queued
    // blocks come back holding what has arrived so far, queued again as
    // usual; what the source still holds is not waited for.
    virtual void stopAtOnce() = 0;
    // Closes the device; the close notice follows the blocks handed back.
    virtual void close() = 0;
    // After close(): waits until the device has closed and delivers, from
    // inside this call, every notification up to and including the close
    // notice. For a listener that must have the whole take before it goes.
    virtual void deliverUntilClosed() = 0;
    // Closes the device for a listener that is going away: no close notice,
    // and notifications not yet delivered are dropped.
    virtual void abandon() = 0;
};
