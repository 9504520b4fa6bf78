// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptureStream.h"

#include "BufferFile.h"
#include "CaptureView.h"
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

TakeOutcome CaptureStream::OpenCapture()
{
    format_ = kFormatChoices[0];
    file_.setFormat(format_);
    sixteenBit_ = format_.bitsPerSample == 16;
    pageCount_ = 0;
    pageBytes_ = 0;
    discarding_ = false;
    deviceLost_ = false;
    quiet_ = false;
    writeError_ = 0;
    for (CaptureBlock &block : blocks_) {
        block.length = format_.bytesPerSecond() / 20;
        block.recorded = 0;
    }
    if (!device_.open(format_, *this)) {
        // Nothing will be recorded: the last take stays the take.
        file_.dropPrepared();
        return {RecorderTexts::kDeviceUsed, RecorderTexts::kApplication};
    }
    if (file_.hasPrepared()) {
        const TakeOutcome placed = file_.putInPlace();
        if (!placed.done()) {
            device_.abandon();
            return placed;
        }
    }
    for (CaptureBlock &block : blocks_)
        device_.addBuffer(block);
    capturedBytes_ = 0;
    device_.start();
    capturing_ = true;
    confirmFree_ = true;
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
    deviceLost_ = true;
    StopCapture();
}

void CaptureStream::endNow()
{
    if (!capturing_)
        return;
    quiet_ = true;
    if (!discarding_)
        StopCapture();
    device_.deliverUntilClosed();
}

void CaptureStream::OnCaptureBuffer(CaptureBlock &block)
{
    if (discarding_)
        return;
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
            endTake();
            return;
        }
        view_.drawBlock(block.data, block.recorded);
    }
    device_.addBuffer(block);
}

void CaptureStream::OnCaptureDeviceLost()
{
    deviceLost_ = true;
}

void CaptureStream::OnCaptureClosed()
{
    capturing_ = false;
    file_.complete();
    confirmFree_ = false;
    view_.captureEnded(ending());
}

TakeOutcome CaptureStream::ending() const
{
    if (quiet_)
        return {};
    if (writeError_ != 0)
        return {RecorderTexts::format(RecorderTexts::kDiskFull, file_.bufferPath().c_str(),
                                      RecorderTexts::causeOf(writeError_).c_str())};
    if (deviceLost_)
        return {RecorderTexts::kDeviceRemoved};
    return {};
}

void CaptureStream::endTake()
{
    discarding_ = true;
    device_.reset();
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
