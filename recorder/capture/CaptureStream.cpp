// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptureStream.h"

#include "BufferFile.h"
#include "CaptureView.h"
#include "LogCategories.h"
#include "RecorderTexts.h"
#include "TakeModel.h"

#include <cerrno>

static_assert(CaptureStream::kFormatChoices[0].bytesPerSecond() / 20 <=
                  CaptureStream::kBlockCapacity,
              "the capture format's 50 ms blocks must fit the allocated blocks");

CaptureStream::CaptureStream(AudioCapture &device, BufferFile &file, CaptureView &view,
                             bool &pageArmed)
    : device_(device), file_(file), view_(view), pageArmed_(pageArmed)
{
    for (int i = 0; i < kBlockCount; ++i) {
        blocks_[i].data = storage_[i].data();
        blocks_[i].length = kBlockCapacity;
    }
}

CaptureStream::~CaptureStream()
{
    endNow();
    device_.abandon();
}

bool &CaptureStream::processPageArmed()
{
    static bool armed = true;
    return armed;
}

bool CaptureStream::openDevice()
{
    format_ = kFormatChoices[0];
    deviceLost_ = false;
    deviceOpen_ = device_.open(format_, *this);
    // A source that went away stays gone for Record until one opens again;
    // one that never opened is busy or absent, as without the meter.
    inputLost_ = inputLost_ && !deviceOpen_;
    if (armed_)
        view_.showInput(deviceOpen_);
    return deviceOpen_;
}

void CaptureStream::arm()
{
    armed_ = true;
    if (!deviceOpen_)
        openDevice();
}

void CaptureStream::disarm()
{
    armed_ = false;
    inputLost_ = false;
    if (deviceOpen_ && !capturing_ && !closing_) {
        closing_ = true;
        device_.close();
    }
}

TakeOutcome CaptureStream::OpenCapture()
{
    if (armed_ && inputLost_) {
        // The source heard until now is gone: no take starts on whatever
        // the server would record instead. The meter shows what there is now.
        file_.dropPrepared();
        if (!deviceOpen_)
            openDevice();
        return {RecorderTexts::kDeviceRemoved};
    }
    // A device on its way to closing is not there to record with: the close
    // comes first (and reopens it when armed).
    if (closing_)
        device_.deliverUntilClosed();
    format_ = kFormatChoices[0];
    file_.setFormat(format_);
    sixteenBit_ = format_.bitsPerSample == 16;
    pageCount_ = 0;
    pageBytes_ = 0;
    discarding_ = false;
    quiet_ = false;
    writeError_ = 0;
    for (CaptureBlock &block : blocks_) {
        block.length = format_.bytesPerSecond() / 20;
        block.recorded = 0;
    }
    if (!deviceOpen_ && !openDevice()) {
        // Nothing will be recorded: the last take stays the take.
        file_.dropPrepared();
        return {RecorderTexts::kDeviceUsed, RecorderTexts::kApplication};
    }
    deviceLost_ = false;
    cardRemoved_ = false;
    if (file_.hasPrepared()) {
        const TakeOutcome placed = file_.putInPlace();
        if (!placed.done()) {
            if (!armed_) {
                device_.abandon();
                deviceOpen_ = false;
            }
            return placed;
        }
    }
    for (CaptureBlock &block : blocks_)
        device_.addBuffer(block);
    capturedBytes_ = 0;
    device_.start();
    capturing_ = true;
    confirmFree_ = true;
    qCDebug(lcRecorder) << "take started in" << file_.bufferPath().c_str();
    return {};
}

void CaptureStream::StopCapture()
{
    device_.reset();
    device_.close();
}

void CaptureStream::StopForRemovedDevice()
{
    if (!capturing_)
        return;
    cardRemoved_ = true;
    StopCapture();
}

void CaptureStream::endNow()
{
    armed_ = false;
    if (!capturing_)
        return;
    quiet_ = true;
    device_.stopAtOnce();
    device_.close();
    device_.deliverUntilClosed();
}

void CaptureStream::OnCaptureBuffer(CaptureBlock &block)
{
    if (discarding_) {
        // Queued again, so that what has arrived drains and the close follows at once.
        device_.addBuffer(block);
        return;
    }
    if (block.recorded != 0) {
        const double elapsed = double(capturedBytes_) / format_.bytesPerSecond();
        view_.showElapsed(elapsed);
        if (elapsed >= kMaxSeconds) {
            endTake();
            return;
        }
        applyPageRule(elapsed);
        const std::size_t written = file_.append(block.data, block.recorded);
        capturedBytes_ += written;
        if (written < block.recorded) {
            // The disk is full (or no take is open): a take with a hole in it
            // would be worse than a shorter one, so it ends here and keeps
            // what reached the disk. append() set errno for either case.
            writeError_ = errno != 0 ? errno : ENOSPC;
            qCWarning(lcRecorder) << "the take stops: cannot write" << file_.bufferPath().c_str()
                                  << RecorderTexts::causeOf(writeError_).c_str();
            endTake();
            return;
        }
        view_.drawBlock(block.data, block.recorded);
    }
    device_.addBuffer(block);
}

void CaptureStream::OnCaptureLevel(const CaptureLevel &level)
{
    view_.showLevel(level);
}

void CaptureStream::OnCaptureDeviceLost()
{
    deviceLost_ = true;
    qCWarning(lcRecorder) << "the recording source went away"
                          << (capturing_ ? "during a take" : "");
}

void CaptureStream::OnCaptureClosed()
{
    deviceOpen_ = false;
    closing_ = false;
    const bool lost = deviceLost_;
    if (capturing_)
        takeEnded();
    if (!armed_)
        return;
    if (lost) {
        inputLost_ = true;
        view_.showInput(false);
    } else {
        openDevice();
    }
}

void CaptureStream::takeEnded()
{
    capturing_ = false;
    file_.complete();
    confirmFree_ = false;
    qCDebug(lcRecorder) << "take ended," << file_.dataBytes() << "bytes";
    view_.captureEnded(ending());
}

TakeOutcome CaptureStream::ending() const
{
    if (quiet_)
        return {};
    if (writeError_ != 0)
        return {RecorderTexts::format(RecorderTexts::kDiskFull, file_.bufferPath().c_str(),
                                      RecorderTexts::causeOf(writeError_).c_str())};
    if (deviceLost_ || cardRemoved_)
        return {RecorderTexts::kDeviceRemoved};
    return {};
}

void CaptureStream::endTake()
{
    discarding_ = true;
    device_.stopAtOnce();
    device_.close();
}

void CaptureStream::applyPageRule(double elapsed)
{
    const auto seconds = static_cast<std::uint64_t>(elapsed);
    if (seconds % TakeModel::kPageSeconds != 0) {
        pageArmed_ = true;
        return;
    }
    if (!pageArmed_)
        return;
    ++pageCount_;
    if (pageBytes_ == 0)
        pageBytes_ = static_cast<std::uint32_t>(capturedBytes_);
    view_.turnPage(pageCount_, pageBytes_);
    pageArmed_ = false;
}
