// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveformView.h"

#include "WaveformPalette.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
int sampleAt(const std::uint8_t *bytes)
{
    return std::int16_t(std::uint16_t(bytes[0] | bytes[1] << 8));
}

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
} // namespace

WaveformView::WaveformView(int width, int height, unsigned averageBytesPerSecond)
    : left_(width, height), right_(width, height),
      bytesPerPoint_(std::max<std::size_t>(4 * (averageBytesPerSecond / 16000), 4)),
      bytesPerPage_(std::size_t(averageBytesPerSecond) * std::size_t(pageSeconds))
{
}

void WaveformView::clearPictures()
{
    left_.clear();
    right_.clear();
}

void WaveformView::resetTake()
{
    clearPictures();
    xCounter_ = 0;
    pageBytes_ = 0;
    drawnBytes_ = 0;
}

void WaveformView::startCapturePage()
{
    clearPictures();
    xCounter_ = 0;
}

WaveformRange::Column WaveformView::columnAt(int x) const
{
    return range_ ? range_->column(x)
                  : WaveformRange::Column{WaveformPalette::normalTrace, false, false};
}

void WaveformView::beginTrace(const WaveformRange *range)
{
    range_ = range;
    traceX_ = int(xCounter_ / pointsPerColumn);
    pointsLeft_ = int(pointsPerColumn - xCounter_ % pointsPerColumn);
    column_ = columnAt(traceX_);
    traceLeft_.start(left_.centre());
    traceRight_.start(right_.centre());
}

void WaveformView::trace(const std::uint8_t *pcm, std::size_t length)
{
    const int c = left_.centre();
    // trunc(s / 32768.0 × c), exactly, in integers; it never decreases with
    // s, so a run's highest and lowest rows come from its extreme samples.
    const auto rowOf = [c](int sample) { return c - sample * c / 32768; };
    for (std::size_t o = 0; o + 3 < length;) {
        if (pointsLeft_ == 0) {
            traceLeft_.paint(left_, traceX_, column_);
            traceRight_.paint(right_, traceX_, column_);
            traceLeft_.start(traceLeft_.last());
            traceRight_.start(traceRight_.last());
            column_ = columnAt(++traceX_);
            pointsLeft_ = pointsPerColumn;
        }
        const std::size_t available = (length - 4 - o) / bytesPerPoint_ + 1;
        const std::size_t n = std::min<std::size_t>(available, std::size_t(pointsLeft_));
        int leftLow = 32767, leftHigh = -32768, rightLow = 32767, rightHigh = -32768;
        const std::uint8_t *point = pcm + o;
        for (std::size_t i = 0; i < n; ++i, point += bytesPerPoint_) {
            const int l = sampleAt(point), r = sampleAt(point + 2);
            leftLow = std::min(leftLow, l);
            leftHigh = std::max(leftHigh, l);
            rightLow = std::min(rightLow, r);
            rightHigh = std::max(rightHigh, r);
        }
        const std::uint8_t *last = pcm + o + (n - 1) * bytesPerPoint_;
        int leftBefore = 0, rightBefore = 0;
        if (n >= 2) {
            leftBefore = rowOf(sampleAt(last - bytesPerPoint_));
            rightBefore = rowOf(sampleAt(last - bytesPerPoint_ + 2));
        }
        traceLeft_.addRun(rowOf(leftHigh), rowOf(leftLow), n >= 2 ? &leftBefore : nullptr,
                          rowOf(sampleAt(last)));
        traceRight_.addRun(rowOf(rightHigh), rowOf(rightLow), n >= 2 ? &rightBefore : nullptr,
                           rowOf(sampleAt(last + 2)));
        pointsLeft_ -= int(n);
        xCounter_ += n;
        o += n * bytesPerPoint_;
    }
}

void WaveformView::endTrace()
{
    traceLeft_.paint(left_, traceX_, column_);
    traceRight_.paint(right_, traceX_, column_);
    range_ = nullptr;
}

void WaveformView::drawCaptureBlock(const std::uint8_t *pcm, std::size_t length)
{
    beginTrace(nullptr);
    trace(pcm, length);
    endTrace();
}

bool WaveformView::redrawPage(unsigned limit, const std::filesystem::path &bufferFile,
                              const TakeMarks &marks)
{
    if (drawnBytes_ >= limit)
        return false;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(bufferFile.c_str(), "rb"));
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0)
        return false;
    const long fileLength = std::ftell(file.get());
    if (fileLength <= long(WaveHeader::kSize))
        return false;
    std::size_t offset = WaveHeader::kSize;
    // A take shorter than one page has no page size yet and is one page as a
    // whole; nothing beyond one page can be shown, so nothing more is read.
    std::size_t wanted = std::min(std::size_t(fileLength) - WaveHeader::kSize, bytesPerPage_);
    if (pageBytes_ != 0) {
        offset += std::size_t(limit / pageBytes_) * pageBytes_;
        wanted = pageBytes_;
    }
    if (std::fseek(file.get(), long(offset), SEEK_SET) != 0)
        return false;

    // Read and traced in pieces that stay in the processor's cache; a piece
    // is whole trace points long, so the points fall where they would in one read.
    piece_.resize(bytesPerPiece);
    std::uint8_t *piece = piece_.data();
    const std::size_t pieceLength = bytesPerPiece - bytesPerPiece % bytesPerPoint_;
    std::size_t read = 0;
    while (read < wanted) {
        const std::size_t got =
            std::fread(piece, 1, std::min(pieceLength, wanted - read), file.get());
        if (got == 0)
            break;
        if (read == 0) {
            clearPictures();
            const unsigned page = pageBytes_ != 0 ? limit / pageBytes_ : 0;
            pageRange_ = WaveformRange(marks, page, width());
            xCounter_ = 0;
            beginTrace(&*pageRange_);
        }
        trace(piece, got);
        read += got;
    }
    if (read == 0)
        return false;
    endTrace();
    drawnBytes_ += unsigned(read);
    return true;
}

std::optional<int> WaveformView::cursorX(double seconds) const
{
    const int w = width();
    int x = int(w / pageSeconds * seconds);
    while (x > w)
        x -= w;
    if (x >= w || x < 0)
        return std::nullopt;
    return x;
}
