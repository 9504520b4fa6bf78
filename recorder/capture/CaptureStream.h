// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioCapture.h"
#include "PcmFormat.h"
#include "TakeOutcome.h"

#include <array>
#include <cstdint>

class BufferFile;
class CaptureView;

// Records the take: the recording device fills a ring of five 50 ms blocks,
// and each block that comes back is counted, checked against the length
// limit and the 30-second page rule, written to the buffer file, drawn and
// queued again. While armed (the window shows its input meter) the device is
// open before a take and opened again as soon as one is complete (its close
// is what says so), well within the time a sound server lets an idle source
// sleep: the source stays awake and a take starts the moment Record is
// pressed. Runs on the window's thread.
class CaptureStream : public CaptureListener {
public:
    static constexpr int kBlockCount = 5;
    // Every block is allocated for 50 ms of the largest format offered.
    static constexpr std::uint32_t kBlockCapacity = 9600;
    static constexpr double kMaxSeconds = 600.0;
    // The record-format list; a capture always uses the first entry.
    static constexpr std::array<PcmFormat, 2> kFormatChoices = {PcmFormat{2, 16, 44100},
                                                                PcmFormat{2, 16, 48000}};

    // pageArmed: the page rule's flag, process-wide unless a test brings its own.
    CaptureStream(AudioCapture &device, BufferFile &file, CaptureView &view,
                  bool &pageArmed = processPageArmed());
    // A take still running ends as endNow() ends it.
    ~CaptureStream() override;
    CaptureStream(const CaptureStream &) = delete;
    CaptureStream &operator=(const CaptureStream &) = delete;

    static bool &processPageArmed();

    // Keeps the device open from now on, reopened after each take, and shows
    // whether there is input. A device that cannot be opened, or goes away,
    // shows none.
    void arm();
    // The device closes once no take runs.
    void disarm();

    // Starts capturing into the prepared buffer file, in the first format of
    // the list, on the armed device or one opened now. A take prepared aside
    // replaces the last one only once the device is open, and is dropped when
    // it cannot be. Resets the page count and page bytes. On failure nothing
    // runs and the outcome says why; on an armed device that went away, the
    // outcome is that it was removed (and the device is opened anew).
    TakeOutcome OpenCapture();
    // Ends the take: the device hands back what it holds, then closes.
    void StopCapture();
    // Ends the take as a stop does because its device went away (the card
    // was unplugged): the take is kept and its ending says so.
    void StopForRemovedDevice();
    // Ends a running take at once, for a window that goes away: what has
    // arrived reaches the file, what the source still holds is not waited
    // for, and the take is complete when this returns. Disarms. Its ending
    // has nothing to tell.
    void endNow();

    void OnCaptureBuffer(CaptureBlock &block) override;
    void OnCaptureLevel(const CaptureLevel &level) override;
    void OnCaptureDeviceLost() override;
    void OnCaptureClosed() override;

    // A take from before is on disk: the next capture asks before replacing it.
    void holdEarlierTake() { confirmFree_ = false; }

    bool isCapturing() const { return capturing_; }
    // 1 from construction and while capturing, 0 once a take has closed: the
    // window asks before overwriting a take only while this is false.
    bool confirmFree() const { return confirmFree_; }
    bool sixteenBit() const { return sixteenBit_; }
    const PcmFormat &format() const { return format_; }
    std::uint64_t capturedBytes() const { return capturedBytes_; }
    int pageCount() const { return pageCount_; }
    std::uint32_t pageBytes() const { return pageBytes_; }

private:
    bool openDevice();
    void applyPageRule(double elapsed);
    void endTake();
    void takeEnded();
    TakeOutcome ending() const;

    AudioCapture &device_;
    BufferFile &file_;
    CaptureView &view_;
    bool &pageArmed_;
    std::array<std::array<std::uint8_t, kBlockCapacity>, kBlockCount> storage_{};
    std::array<CaptureBlock, kBlockCount> blocks_{};
    PcmFormat format_ = kFormatChoices[0];
    std::uint64_t capturedBytes_ = 0;
    std::uint32_t pageBytes_ = 0;
    int pageCount_ = 0;
    bool armed_ = false;
    bool deviceOpen_ = false;
    // Disarmed: the device's close notice is on its way.
    bool closing_ = false;
    bool inputLost_ = false;
    bool capturing_ = false;
    bool confirmFree_ = true;
    bool sixteenBit_ = true;
    bool discarding_ = false;
    bool deviceLost_ = false;
    // The host's card went away: the take ends, the source may still be there.
    bool cardRemoved_ = false;
    bool quiet_ = false;
    int writeError_ = 0;
};
