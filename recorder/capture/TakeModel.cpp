// SPDX-License-Identifier: GPL-3.0-or-later
#include "TakeModel.h"

#include <algorithm>

TakeModel::Mode TakeModel::mode() const
{
    return work_ != Mode::Idle ? work_ : base_;
}

bool TakeModel::recordEnabled() const
{
    return base_ == Mode::Recording || (base_ == Mode::Idle && !recordHeld_);
}

bool TakeModel::editingEnabled() const
{
    return hasTake_ && (base_ == Mode::Idle || base_ == Mode::Playing);
}

void TakeModel::setPositionMax(int seconds)
{
    positionMax_ = std::max(seconds, 0);
    position_ = std::min(position_, positionMax_);
}

void TakeModel::startRecording()
{
    if (mode() != Mode::Idle || recordHeld_)
        return;
    base_ = Mode::Recording;
    hasTake_ = false;
    marks_ = {};
    position_ = 0;
    positionMax_ = 0;
    pageBytes_ = 0;
    cursor_.reset();
}

void TakeModel::recordingRefused(std::uint32_t keptBytes)
{
    if (base_ != Mode::Recording)
        return;
    base_ = Mode::Idle;
    if (keptBytes != 0)
        showTake(keptBytes);
}

void TakeModel::stopRecording()
{
    if (base_ == Mode::Recording)
        base_ = Mode::Stopping;
}

void TakeModel::recordingEnded()
{
    if (base_ != Mode::Recording && base_ != Mode::Stopping)
        return;
    base_ = Mode::Idle;
    hasTake_ = true;
    // The new take replaced the one the undo was kept for.
    undo_.reset();
}

void TakeModel::recorded(double seconds)
{
    setPositionMax(int(seconds));
    position_ = 0;
}

void TakeModel::turnPage(int pageCount, std::uint32_t pageBytes)
{
    pageBytes_ = pageBytes;
    setPositionMax(pageCount * int(kPageSeconds));
}

void TakeModel::showTake(std::uint32_t dataBytes)
{
    const std::uint32_t page = kPageSeconds * bytesPerSecond_;
    pageBytes_ = dataBytes > page ? page : 0;
    setPositionMax(bytesPerSecond_ > 0 ? int(dataBytes / bytesPerSecond_) : 0);
    hasTake_ = true;
}

std::optional<TakeModel::PlayRange> TakeModel::startPlaying(unsigned lengthMs)
{
    if (mode() != Mode::Idle || !hasTake_ || lengthMs == 0)
        return std::nullopt;
    if (marks_.endMs == 0)
        marks_.endMs = lengthMs;
    base_ = Mode::Playing;
    const unsigned at = unsigned(position_) * 1000;
    if (marks_.startMs <= at && at < marks_.endMs)
        return PlayRange{at, marks_.endMs};
    position_ = std::min(int(marks_.startMs / 1000), positionMax_);
    return PlayRange{marks_.startMs, marks_.endMs};
}

void TakeModel::stopPlaying()
{
    if (base_ != Mode::Playing)
        return;
    base_ = Mode::Idle;
    recordHeld_ = false;
}

void TakeModel::playedOut()
{
    if (base_ != Mode::Playing)
        return;
    stopPlaying();
    cursor_.reset();
    position_ = 0;
}

void TakeModel::playingAt(unsigned ms)
{
    setPosition(int(ms / 1000));
    cursor_ = ms / 1000.0;
}

void TakeModel::scrolledTo(int seconds)
{
    if (base_ == Mode::Playing) {
        base_ = Mode::Idle;
        recordHeld_ = true;
    }
    setPosition(seconds);
}

void TakeModel::setPosition(int seconds)
{
    position_ = std::clamp(seconds, 0, positionMax_);
}

void TakeModel::showCursorAt(int seconds)
{
    cursor_ = double(seconds);
}

TakeModel::MarkResult TakeModel::setStart()
{
    if (marks_.endMs != 0 && int(marks_.endMs / 1000) < position_)
        return MarkResult::Reversed;
    marks_.startSet = true;
    marks_.startMs = unsigned(position_) * 1000;
    return MarkResult::Accepted;
}

TakeModel::MarkResult TakeModel::setEnd()
{
    if (position_ < int(marks_.startMs / 1000))
        return MarkResult::Reversed;
    marks_.endSet = true;
    marks_.endMs = unsigned(position_) * 1000;
    return MarkResult::Accepted;
}

bool TakeModel::beginCut()
{
    if (work_ != Mode::Idle || !canCut() || !editingEnabled())
        return false;
    work_ = Mode::Cutting;
    beforeCut_ = Shown{marks_, position_, positionMax_, pageBytes_};
    return true;
}

void TakeModel::cutFailed()
{
    if (work_ == Mode::Cutting)
        work_ = Mode::Idle;
}

void TakeModel::cutDone(std::uint32_t keptBytes, bool undoKept)
{
    if (work_ != Mode::Cutting)
        return;
    work_ = Mode::Idle;
    undo_.reset();
    if (undoKept)
        undo_ = beforeCut_;
    marks_ = {};
    setPositionMax(bytesPerSecond_ > 0 ? int(keptBytes / bytesPerSecond_) : 0);
    position_ = 0;
}

void TakeModel::undoCut()
{
    if (!canUndoCut())
        return;
    marks_ = undo_->marks;
    positionMax_ = undo_->positionMax;
    position_ = undo_->position;
    pageBytes_ = undo_->pageBytes;
    undo_.reset();
}

bool TakeModel::beginSave()
{
    if (work_ != Mode::Idle || !editingEnabled())
        return false;
    work_ = Mode::Saving;
    return true;
}

void TakeModel::saveEnded()
{
    if (work_ == Mode::Saving)
        work_ = Mode::Idle;
}

unsigned TakeModel::pageOf(int seconds)
{
    return unsigned(std::max(seconds, 0)) / kPageSeconds;
}

std::uint32_t TakeModel::pageStartBytes(int seconds) const
{
    return pageOf(seconds) * pageBytes_;
}

std::uint32_t TakeModel::pageEndBytes(int seconds, std::uint32_t dataBytes) const
{
    if (pageBytes_ == 0)
        return dataBytes;
    return std::min(pageBytes_ + pageStartBytes(seconds), dataBytes);
}
