#include "WaveformView.h"

#include "WaveformPalette.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {
std::int16_t sampleAt(const std::uint8_t *bytes)
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

void WaveformView::drawChannel(WaveformStrip &strip, const std::uint8_t *pcm, std::size_t length,
                               Channel channel, const WaveformRange *range)
{
    const int c = strip.centre();
    strip.moveTo(int(xCounter_ / pointsPerColumn), c);
    int rangeColumn = -1;
    WaveformRange::Column column{WaveformPalette::normalTrace, false, false};
    for (std::size_t o = 0; o + 3 < length; o += bytesPerPoint_) {
        const double s = sampleAt(pcm + o + std::size_t(channel));
        const int y = c - int(s / 32768.0 * c);
        const int x = int(xCounter_ / pointsPerColumn);
        if (range) {
            if (x != rangeColumn) {
                column = range->column(x);
                rangeColumn = x;
            }
            // The marks go down before each point of their column, so the
            // column's last trace segment is the only one drawn over them.
            if (column.startMarker || column.endMarker)
                strip.drawMarker(x);
        }
        strip.lineTo(x, y, column.base);
        ++xCounter_;
    }
}

void WaveformView::drawCaptureBlock(const std::uint8_t *pcm, std::size_t length)
{
    const std::uint64_t start = xCounter_;
    drawChannel(left_, pcm, length, Channel::Left, nullptr);
    const std::uint64_t reached = xCounter_;
    xCounter_ = start;
    drawChannel(right_, pcm, length, Channel::Right, nullptr);
    xCounter_ = reached;
}

std::size_t WaveformView::readPage(unsigned limit, const std::filesystem::path &bufferFile)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(bufferFile.c_str(), "rb"));
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0)
        return 0;
    const long fileLength = std::ftell(file.get());
    if (fileLength <= long(headerBytes))
        return 0;
    std::size_t offset = headerBytes;
    // A take shorter than one page has no page size yet and is one page as a
    // whole; nothing beyond one page can be shown, so nothing more is read.
    std::size_t wanted = std::min(std::size_t(fileLength) - headerBytes, bytesPerPage_);
    if (pageBytes_ != 0) {
        offset += std::size_t(limit / pageBytes_) * pageBytes_;
        wanted = pageBytes_;
    }
    if (std::fseek(file.get(), long(offset), SEEK_SET) != 0)
        return 0;
    pageBuffer_.resize(wanted);
    return std::fread(pageBuffer_.data(), 1, wanted, file.get());
}

bool WaveformView::redrawPage(unsigned limit, const std::filesystem::path &bufferFile,
                              const WaveformSelection &selection)
{
    if (drawnBytes_ >= limit)
        return false;
    const std::size_t read = readPage(limit, bufferFile);
    if (read == 0)
        return false;
    clearPictures();
    const unsigned page = pageBytes_ != 0 ? limit / pageBytes_ : 0;
    const WaveformRange range(selection, page, width());
    xCounter_ = 0;
    drawChannel(left_, pageBuffer_.data(), read, Channel::Left, &range);
    xCounter_ = 0;
    drawChannel(right_, pageBuffer_.data(), read, Channel::Right, &range);
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
