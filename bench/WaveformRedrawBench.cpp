// SPDX-License-Identifier: GPL-3.0-or-later
// Redraw of a 30-second waveform page (5.3 MB) from the buffer file against
// reading the same bytes from the same file, best of twenty each, in one run.
#include "BenchTake.h"
#include "BufferFile.h"
#include "WaveformView.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace fs = std::filesystem;

namespace {
constexpr std::uint32_t kPageBytes = 30 * BenchTake::kBytesPerSecond;

// What the redraw has to do at least: open the file and read the page.
double readPage(const fs::path &file, std::vector<std::uint8_t> &buffer)
{
    const BenchTake::Stopwatch watch;
    std::FILE *in = std::fopen(file.c_str(), "rb");
    if (!in || std::fseek(in, BufferFile::kHeaderSize, SEEK_SET) != 0)
        return -1;
    const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), in);
    std::fclose(in);
    return read == buffer.size() ? watch.seconds() : -1;
}
} // namespace

int main()
{
    const fs::path folder = BenchTake::scratchFolder();
    BufferFile take(folder);
    const auto pcm = BenchTake::music(45);
    if (!take.prepare().done() || take.append(pcm.data(), pcm.size()) != pcm.size())
        return 1;
    take.complete();

    WaveformView view(401, 67, BenchTake::kBytesPerSecond);
    view.setPageBytes(kPageBytes);
    const TakeMarks selection{true, true, 5000, 20000};
    std::vector<std::uint8_t> buffer(kPageBytes);
    double redraw = 1e9, read = 1e9;
    for (int run = 0; run < 20; ++run) {
        const double readOnce = readPage(take.bufferPath(), buffer);
        if (readOnce < 0)
            return 1;
        read = std::min(read, readOnce);
        view.setDrawnBytes(0);
        const BenchTake::Stopwatch watch;
        if (!view.redrawPage(1, take.bufferPath(), selection))
            return 1;
        redraw = std::min(redraw, watch.seconds());
    }
    std::error_code error;
    fs::remove_all(folder, error);
    const double ratio = redraw / read;
    std::printf("waveform page redraw, 30 s (%u bytes): ours %.2f ms, plain read %.2f ms\n",
                kPageBytes, redraw * 1000, read * 1000);
    std::printf("  ratio %.2f (goal <= 3: %s)\n", ratio, ratio <= 3.0 ? "met" : "NOT met");
    return 0;
}
