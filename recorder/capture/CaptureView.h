// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CaptureLevel.h"
#include "TakeOutcome.h"

#include <cstdint>

// What the recorder window shows while a take runs; the capture stream calls
// it on the window's thread.
class CaptureView {
public:
    virtual ~CaptureView() = default;
    // Audio written so far, before the block now arriving: the record-time
    // label and the position range follow it.
    virtual void showElapsed(double seconds) = 0;
    // A new 30-second page: both waveform pictures start empty from the left,
    // and the position range becomes 0 ... pageCount × 30. pageBytes is the
    // length of a page once known (0 before the first turn after the start).
    virtual void turnPage(int pageCount, std::uint32_t pageBytes) = 0;
    // A block just written to the take, interleaved 16-bit stereo PCM.
    virtual void drawBlock(const std::uint8_t *pcm, std::uint32_t length) = 0;
    // How loud the source is, while the device is open.
    virtual void showLevel(const CaptureLevel &level) = 0;
    // Whether the armed device hears a source: none when it could not be
    // opened or went away.
    virtual void showInput(bool available) = 0;
    // The capture has closed and the take is complete on disk; ending says
    // why it ended before the user stopped it, if it did.
    virtual void captureEnded(const TakeOutcome &ending) = 0;
};
