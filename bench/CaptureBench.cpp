// SPDX-License-Identifier: GPL-3.0-or-later
// Capture bookkeeping of a 600 s take (block accounting, page rule, writing
// the buffer file, requeueing) with the fake device delivering at once.
#include "BenchTake.h"
#include "BufferFile.h"
#include "CaptureStream.h"
#include "CaptureView.h"
#include "FakeAudioCapture.h"

#include <cstdio>

namespace fs = std::filesystem;

namespace {

struct QuietView : CaptureView {
    void showElapsed(double) override {}
    void turnPage(int, std::uint32_t) override {}
    void drawBlock(const std::uint8_t *, std::uint32_t) override {}
    void showLevel(const CaptureLevel &) override {}
    void showInput(bool) override {}
    void captureEnded(const TakeOutcome &outcome) override
    {
        ended = true;
        ending = outcome;
    }
    bool ended = false;
    TakeOutcome ending;
};

} // namespace

int main()
{
    const fs::path folder = BenchTake::scratchFolder();
    FakeAudioCapture device;
    BufferFile take(folder);
    QuietView view;
    CaptureStream capture(device, take, view);
    const auto second = BenchTake::music(1);
    const std::uint32_t block = BenchTake::kBytesPerSecond / 20;

    const BenchTake::Stopwatch watch;
    if (!take.prepare().done() || !capture.OpenCapture().done())
        return 1;
    for (int s = 0; s < 600; ++s) {
        for (std::uint32_t at = 0; at < second.size(); at += block) {
            device.capture({second.data() + at, block});
            device.deliver();
        }
    }
    capture.StopCapture();
    device.deliver();
    const double seconds = watch.seconds();
    const bool complete = view.ended && take.dataBytes() == 600u * BenchTake::kBytesPerSecond;
    std::error_code error;
    fs::remove_all(folder, error);
    if (!complete || !view.ending.done()) {
        std::fprintf(stderr, "the take did not come out whole\n");
        return 1;
    }
    const double realTime = 600.0 / seconds;
    std::printf("capture bookkeeping, 600 s take: %.3f s, %.0f x real time\n", seconds, realTime);
    std::printf("  ratio to real time %.0f (goal >= 500: %s)\n", realTime,
                realTime >= 500 ? "met" : "NOT met");
    return 0;
}
