// SPDX-License-Identifier: GPL-3.0-or-later
// The waveform's page reading: any take file, page size, drawn-bytes marker,
// position and selection. A page is drawn only when it is not drawn yet and
// the file has data there; then the marker grows by what was read, never more
// than a page. The pictures keep their size and every pixel says one of the
// things a strip shows; when nothing is drawn they stay as they were.
#include "FuzzCheck.h"
#include "ScratchFolder.h"
#include "WaveformPalette.h"
#include "WaveformView.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QImage>

#include <algorithm>

namespace {

constexpr unsigned kBytesPerSecond = 176400;
constexpr std::size_t kHeader = WaveHeader::kSize;

bool onlyKnownRoles(const QImage &picture)
{
    if (picture.format() != QImage::Format_Indexed8)
        return false;
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t *row = picture.constScanLine(y);
        for (int x = 0; x < picture.width(); ++x)
            if (row[x] > WaveformPalette::marker)
                return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const int width = input.ConsumeIntegralInRange(1, 320);
    const int height = input.ConsumeIntegralInRange(1, 120);
    WaveformView view(width, height, kBytesPerSecond);
    view.setPageBytes(input.ConsumeBool() ? 0 : input.ConsumeIntegralInRange(1u, 8192u));
    view.setDrawnBytes(input.ConsumeIntegralInRange(0u, 8192u));
    const unsigned limit = input.ConsumeIntegralInRange(0u, 16384u);
    TakeMarks selection;
    selection.startSet = input.ConsumeBool();
    selection.endSet = input.ConsumeBool();
    selection.startMs = input.ConsumeIntegral<unsigned>();
    selection.endMs = input.ConsumeIntegral<unsigned>();
    if (input.ConsumeBool()) {
        const auto block = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange(0, 2048));
        view.drawCaptureBlock(block.data(), block.size());
    }
    const std::string file = input.ConsumeRemainingBytesAsString();
    const auto path = ScratchFolder::path() / "NUVRecord.wav";
    FUZZ_CHECK(ScratchFolder::write(path, file));

    const QImage leftBefore = view.leftPicture();
    const QImage rightBefore = view.rightPicture();
    const unsigned drawnBefore = view.drawnBytes();
    const bool drawn = view.redrawPage(limit, path, selection);

    FUZZ_CHECK(view.width() == width && view.height() == height);
    const std::size_t dataBytes = file.size() > kHeader ? file.size() - kHeader : 0;
    if (!drawn) {
        FUZZ_CHECK(view.drawnBytes() == drawnBefore);
        FUZZ_CHECK(view.leftPicture() == leftBefore && view.rightPicture() == rightBefore);
        return 0;
    }
    FUZZ_CHECK(drawnBefore < limit);
    const unsigned read = view.drawnBytes() - drawnBefore;
    const std::size_t page = view.pageBytes() != 0 ? view.pageBytes() : kBytesPerSecond * 30;
    const std::size_t first =
        view.pageBytes() != 0 ? std::size_t(limit / view.pageBytes()) * view.pageBytes() : 0;
    FUZZ_CHECK(first < dataBytes);
    FUZZ_CHECK(read == std::min(page, dataBytes - first));
    FUZZ_CHECK(onlyKnownRoles(view.leftPicture()) && onlyKnownRoles(view.rightPicture()));
    return 0;
}
