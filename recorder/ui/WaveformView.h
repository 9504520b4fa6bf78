// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ColumnTrace.h"
#include "TakeModel.h"
#include "WaveHeader.h"
#include "WaveformRange.h"
#include "WaveformStrip.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

// The two waveform strips of the recorder (left channel, right channel) and the
// bookkeeping of the page they show. A page is 30 seconds of the take; a trace
// point is drawn every 4 × (A div 16000) bytes of PCM and 300 points make one
// column.
class WaveformView {
public:
    static constexpr int pointsPerColumn = 300;
    static constexpr double pageSeconds = TakeModel::kPageSeconds;
    // A page is read from the file in pieces of at most this many bytes, each
    // traced while it is still in the processor's cache.
    static constexpr std::size_t bytesPerPiece = 262144;

    WaveformView(int width, int height, unsigned averageBytesPerSecond);

    int width() const { return left_.picture().width(); }
    int height() const { return left_.picture().height(); }
    const QImage &leftPicture() const { return left_.picture(); }
    const QImage &rightPicture() const { return right_.picture(); }

    // Record start: empty pictures and every counter back to 0.
    void resetTake();
    // A page turn during a take: empty pictures, drawing starts again at the left.
    void startCapturePage();
    void clearPictures();

    unsigned pageBytes() const { return pageBytes_; }
    void setPageBytes(unsigned bytes) { pageBytes_ = bytes; }
    unsigned drawnBytes() const { return drawnBytes_; }
    void setDrawnBytes(unsigned bytes) { drawnBytes_ = bytes; }
    std::uint64_t xCounter() const { return xCounter_; }

    // Draws a captured block of interleaved 16-bit stereo PCM in the normal pen.
    void drawCaptureBlock(const std::uint8_t *pcm, std::size_t length);

    // Draws the page of the buffer file that holds data offset `limit`, with
    // the selection's colours and marks. Does nothing when that page is already
    // drawn (limit not beyond the drawn-bytes marker) or the file gives no data.
    // Returns whether the pictures changed.
    bool redrawPage(unsigned limit, const std::filesystem::path &bufferFile,
                    const TakeMarks &marks);

    // The cursor's column for a position in seconds, or nothing when it falls
    // on the right edge of the page.
    std::optional<int> cursorX(double seconds) const;

private:
    // Both channels of interleaved PCM are traced from the x counter on, in
    // pieces of any length that are whole points long but the last.
    void beginTrace(const WaveformRange *range);
    void trace(const std::uint8_t *pcm, std::size_t length);
    void endTrace();
    WaveformRange::Column columnAt(int x) const;

    WaveformStrip left_;
    WaveformStrip right_;
    std::size_t bytesPerPoint_;
    std::size_t bytesPerPage_;
    std::uint64_t xCounter_ = 0;
    unsigned pageBytes_ = 0;
    unsigned drawnBytes_ = 0;
    // The trace under way.
    std::optional<WaveformRange> pageRange_;
    const WaveformRange *range_ = nullptr;
    WaveformRange::Column column_{};
    int traceX_ = 0;
    int pointsLeft_ = 0;
    ColumnTrace traceLeft_;
    ColumnTrace traceRight_;
    std::vector<std::uint8_t> piece_;
};
