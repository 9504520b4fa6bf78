// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptureStream.h"
#include "BufferFile.h"
#include "CaptureView.h"
#include "FakeAudioCapture.h"
#include "FileSizeLimit.h"
#include "Pcm.h"
#include "RecorderTexts.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>

namespace fs = std::filesystem;

namespace {

struct RecordingView : CaptureView {
    void showElapsed(double seconds) override { elapsed.push_back(seconds); }
    void turnPage(int pageCount, std::uint32_t pageBytes) override
    {
        pages.push_back({pageCount, pageBytes, elapsed.back()});
    }
    void drawBlock(const std::uint8_t *, std::uint32_t length) override { drawnBytes += length; }
    void showLevel(const CaptureLevel &level) override { levels.push_back(level); }
    void showInput(bool available) override { input = available; }
    void captureEnded(const TakeOutcome &ending) override
    {
        ++ended;
        endings.push_back(ending);
    }

    struct Page {
        int count;
        std::uint32_t bytes;
        double at;
        bool operator==(const Page &) const = default;
    };
    std::vector<double> elapsed;
    std::vector<Page> pages;
    std::uint64_t drawnBytes = 0;
    std::vector<CaptureLevel> levels;
    std::optional<bool> input;
    int ended = 0;
    std::vector<TakeOutcome> endings;
    // What the user was told when the takes ended.
    std::vector<std::string> told() const
    {
        std::vector<std::string> texts;
        for (const TakeOutcome &ending : endings)
            if (!ending.done())
                texts.push_back(ending.problem);
        return texts;
    }
};

constexpr std::uint32_t kBlock = 8820;

class CaptureStreamTest : public ::testing::Test {
protected:
    bool start() { return file.prepare().done() && capture.OpenCapture().done(); }
    // Feeds the device `bytes` in blocks the way the sound card fills them,
    // letting the window handle each one as it comes back.
    void play(const std::vector<std::uint8_t> &bytes)
    {
        for (std::size_t at = 0; at < bytes.size(); at += kBlock) {
            const std::size_t n = std::min<std::size_t>(kBlock, bytes.size() - at);
            device.capture({bytes.data() + at, n});
            device.deliver();
        }
    }
    void stop()
    {
        capture.StopCapture();
        device.deliver();
    }
    std::vector<std::uint8_t> take() const
    {
        const auto bytes = Pcm::readFile(file.bufferPath());
        EXPECT_EQ(bytes.size(), std::size_t(Pcm::le32(bytes, 42)) + 46)
            << "header and length disagree";
        EXPECT_EQ(Pcm::le32(bytes, 4), bytes.size() - 8);
        return {bytes.begin() + 46, bytes.end()};
    }

    TempFolder folder;
    FakeAudioCapture device;
    BufferFile file{folder.path()};
    RecordingView view;
    bool pageArmed = true;
    CaptureStream capture{device, file, view, pageArmed};
};

TEST_F(CaptureStreamTest, OpensStereoSixteenBitWithFiveFiftyMillisecondBlocks)
{
    ASSERT_TRUE(start());
    EXPECT_EQ(device.format().channels, 2);
    EXPECT_EQ(device.format().bitsPerSample, 16);
    EXPECT_EQ(device.format().sampleRate, 44100u);
    EXPECT_TRUE(device.isStarted());
    EXPECT_EQ(device.queuedBlocks(), 5u);
    EXPECT_TRUE(capture.sixteenBit());
    EXPECT_TRUE(capture.isCapturing());
    EXPECT_EQ(file.format(), PcmFormat{});
}

TEST_F(CaptureStreamTest, BusyDeviceIsReportedAndNothingRuns)
{
    device.setDeviceBusy(true);
    ASSERT_TRUE(file.prepare().done());
    const TakeOutcome refused = capture.OpenCapture();
    EXPECT_EQ(refused.problem, RecorderTexts::kDeviceUsed);
    EXPECT_EQ(refused.caption, RecorderTexts::kApplication);
    EXPECT_FALSE(capture.isCapturing());
    EXPECT_EQ(device.queuedBlocks(), 0u);
}

TEST_F(CaptureStreamTest, ATakeThatCannotStartLeavesTheEarlierOneAsItWas)
{
    ASSERT_TRUE(start());
    const auto pcm = Pcm::sine(1.0, 440.0);
    play(pcm);
    stop();
    const auto earlier = Pcm::readFile(file.bufferPath());
    const auto onlyTheTake = [&] {
        std::vector<fs::path> names;
        for (const auto &entry : fs::directory_iterator(folder.path()))
            names.push_back(entry.path().filename());
        return names == std::vector<fs::path>{file.bufferPath().filename()};
    };

    // The device is busy (or no sound server runs): the new take, made
    // aside, never replaces the earlier one and leaves no file behind.
    device.setDeviceBusy(true);
    ASSERT_TRUE(file.prepareAside().done());
    EXPECT_FALSE(capture.OpenCapture().done());
    EXPECT_FALSE(file.hasPrepared());
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(Pcm::readFile(file.bufferPath()), earlier);
    EXPECT_TRUE(onlyTheTake());

    // Once the device opens, the new take is the take.
    device.setDeviceBusy(false);
    ASSERT_TRUE(file.prepareAside().done());
    EXPECT_EQ(Pcm::readFile(file.bufferPath()), earlier) << "replaced before the device opened";
    ASSERT_TRUE(capture.OpenCapture().done());
    EXPECT_FALSE(file.hasPrepared());
    play({pcm.begin(), pcm.begin() + kBlock});
    stop();
    EXPECT_EQ(take(), std::vector<std::uint8_t>(pcm.begin(), pcm.begin() + kBlock));
    EXPECT_TRUE(onlyTheTake());
}

TEST_F(CaptureStreamTest, ACaptureWithNoTakeOpenEndsAtOnceAndSaysWhy)
{
    ASSERT_TRUE(capture.OpenCapture().done());
    errno = ENOSPC; // left over from elsewhere: not the cause
    play(std::vector<std::uint8_t>(kBlock, 1));
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(view.drawnBytes, 0u);
    EXPECT_EQ(view.told(), std::vector<std::string>({RecorderTexts::format(
                               RecorderTexts::kDiskFull, file.bufferPath().c_str(),
                               RecorderTexts::causeOf(EBADF).c_str())}));
}

TEST_F(CaptureStreamTest, StopKeepsEverythingUpToItIncludingThePartlyFilledBlock)
{
    ASSERT_TRUE(start());
    const auto pcm = Pcm::sine(1.0, 440.0);
    const std::vector<std::uint8_t> withTail(pcm.begin(), pcm.begin() + 19 * kBlock + 1000);
    play(withTail);
    stop();
    EXPECT_EQ(take(), withTail);
    EXPECT_EQ(view.drawnBytes, withTail.size());
    EXPECT_EQ(view.ended, 1);
    EXPECT_FALSE(capture.confirmFree());
    EXPECT_FALSE(capture.isCapturing());
    EXPECT_DOUBLE_EQ(view.elapsed.back(), 19.0 * kBlock / 176400.0);
}

TEST_F(CaptureStreamTest, StopRightAfterStartStillCompletesTheHeader)
{
    ASSERT_TRUE(start());
    stop();
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(view.ended, 1);
    EXPECT_TRUE(view.elapsed.empty());
}

TEST_F(CaptureStreamTest, TakeEndsAtSixHundredSecondsWithoutTheBlockThatReachedThem)
{
    ASSERT_TRUE(start());
    const std::vector<std::uint8_t> second(176400, 7);
    for (int s = 0; s < 601; ++s)
        play(second);
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(view.ended, 1);
    EXPECT_EQ(file.dataBytes(), 600u * 176400);
    EXPECT_EQ(fs::file_size(file.bufferPath()), 600u * 176400 + 46);
    EXPECT_DOUBLE_EQ(view.elapsed.back(), 600.0);
}

TEST_F(CaptureStreamTest, PageTurnsWhenElapsedEntersEveryThirtySecondsStartingAtZero)
{
    ASSERT_TRUE(start());
    play(std::vector<std::uint8_t>(176400 * 61, 1));
    const std::vector<RecordingView::Page> expected = {
        {1, 0, 0.0}, {2, 5292000, 30.0}, {3, 5292000, 60.0}};
    EXPECT_EQ(view.pages, expected);
    EXPECT_EQ(capture.pageCount(), 3);
    EXPECT_EQ(capture.pageBytes(), 5292000u);
}

TEST_F(CaptureStreamTest, TakeEndedBeforeItsFirstSecondLeavesTheNextWithoutAPageAtZero)
{
    ASSERT_TRUE(start());
    play(std::vector<std::uint8_t>(176400 / 2, 1));
    stop();
    EXPECT_FALSE(pageArmed);

    view.pages.clear();
    ASSERT_TRUE(start());
    play(std::vector<std::uint8_t>(176400 * 31, 1));
    ASSERT_EQ(view.pages.size(), 1u);
    EXPECT_EQ(view.pages[0], (RecordingView::Page{1, 5292000, 30.0}));
}

TEST_F(CaptureStreamTest, EndingAtOnceCompletesTheTakeWithWhatTheDeviceStillHeld)
{
    const auto pcm = Pcm::sine(1.0, 440.0);
    {
        CaptureStream leaving(device, file, view, pageArmed);
        ASSERT_TRUE(file.prepare().done() && leaving.OpenCapture().done());
        play({pcm.begin(), pcm.begin() + 10 * kBlock});
        // Blocks handed back but not yet delivered when the window goes.
        device.capture({pcm.data() + 10 * kBlock, 3 * kBlock + 400});
        leaving.endNow();
        EXPECT_FALSE(leaving.isCapturing());
    }
    EXPECT_EQ(take(), std::vector<std::uint8_t>(pcm.begin(), pcm.begin() + 13 * kBlock + 400));
    EXPECT_EQ(device.deliver(), 0u);
    EXPECT_FALSE(device.isOpen());
    EXPECT_TRUE(view.told().empty());
}

TEST_F(CaptureStreamTest, AStreamGoneMidTakeHasCompletedItsTake)
{
    {
        CaptureStream leaving(device, file, view, pageArmed);
        ASSERT_TRUE(file.prepare().done() && leaving.OpenCapture().done());
        device.capture(std::vector<std::uint8_t>(3 * kBlock, 1));
    }
    EXPECT_EQ(take(), std::vector<std::uint8_t>(3 * kBlock, 1));
    EXPECT_EQ(device.deliver(), 0u);
}

TEST_F(CaptureStreamTest, ADeviceThatGoesAwayEndsTheTakeKeepsItAndSaysSo)
{
    ASSERT_TRUE(start());
    const auto pcm = Pcm::sine(1.0, 440.0);
    device.capture({pcm.data(), 5 * kBlock});
    device.deliver();
    device.capture({pcm.data() + 5 * kBlock, 1000});
    device.loseDevice();
    device.deliver();
    EXPECT_FALSE(capture.isCapturing());
    EXPECT_EQ(view.ended, 1);
    EXPECT_EQ(take(), std::vector<std::uint8_t>(pcm.begin(), pcm.begin() + 5 * kBlock + 1000));
    EXPECT_EQ(view.told(), std::vector<std::string>({RecorderTexts::kDeviceRemoved}));

    // The host saying its card went away ends a take the same way.
    view.endings.clear();
    ASSERT_TRUE(start());
    play({pcm.begin(), pcm.begin() + 2 * kBlock});
    capture.StopForRemovedDevice();
    device.deliver();
    EXPECT_EQ(take(), std::vector<std::uint8_t>(pcm.begin(), pcm.begin() + 2 * kBlock));
    EXPECT_EQ(view.told(), std::vector<std::string>({RecorderTexts::kDeviceRemoved}));
    capture.StopForRemovedDevice(); // no take: nothing
    EXPECT_EQ(device.deliver(), 0u);
}

TEST_F(CaptureStreamTest, FullDiskEndsTheTakeKeepsAReadableFileAndSaysWhy)
{
    ASSERT_TRUE(start());
    const auto pcm = Pcm::sine(2.0);
    {
        const FileSizeLimit full(64 * 1024);
        ASSERT_TRUE(full.active()) << full.error();
        play(pcm);
    }
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(view.ended, 1);
    EXPECT_EQ(view.told(), std::vector<std::string>(
                               {"Cannot write the recorded file " + file.bufferPath().string() +
                                ": File too large. The recording stopped; what was "
                                "recorded up to then is kept."}));
    const auto kept = take();
    EXPECT_GT(kept.size(), 7 * kBlock) << "the take fills the disk";
    EXPECT_EQ(kept.size() % 4, 0u);
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), pcm.begin()));
}

TEST_F(CaptureStreamTest, AnArmedDeviceRecordsFromTheClickOnAndOpensAgainOnceTheTakeIsComplete)
{
    capture.arm();
    ASSERT_TRUE(device.isOpen());
    EXPECT_FALSE(device.isStarted());
    EXPECT_EQ(view.input, true);
    const auto before = Pcm::sine(0.5, 440.0, 44100, 0.25);
    play(before); // heard before Record: measured, not recorded
    EXPECT_FALSE(view.levels.empty());
    EXPECT_NEAR(view.levels.back().peak[0], 0.25, 0.01);

    ASSERT_TRUE(start());
    const auto pcm = Pcm::sine(1.0);
    play(pcm);
    stop();
    EXPECT_EQ(take(), pcm);
    EXPECT_TRUE(device.isOpen()) << "the meter goes on after the take";
    EXPECT_FALSE(device.isStarted());

    capture.disarm();
    device.deliver();
    EXPECT_FALSE(device.isOpen());
    // Without arming, Record opens the device and the take's end closes it.
    ASSERT_TRUE(start());
    stop();
    EXPECT_FALSE(device.isOpen());
}

TEST_F(CaptureStreamTest, DisarmingDuringATakeLetsItRunAndClosesTheDeviceAfterIt)
{
    capture.arm();
    ASSERT_TRUE(start());
    capture.disarm();
    EXPECT_TRUE(device.isStarted());
    play(std::vector<std::uint8_t>(2 * kBlock, 3));
    stop();
    EXPECT_EQ(take().size(), 2 * kBlock);
    EXPECT_FALSE(device.isOpen());
}

TEST_F(CaptureStreamTest, ASourceThatVanishesWhileArmedShowsNoInputAndRecordSaysItWasRemoved)
{
    ASSERT_TRUE(start());
    play(std::vector<std::uint8_t>(kBlock, 5));
    stop();
    const auto earlier = Pcm::readFile(file.bufferPath());
    capture.arm();
    device.loseDevice();
    device.deliver();
    EXPECT_EQ(view.input, false);
    EXPECT_TRUE(view.endings.size() == 1) << "no take ended, nothing else to tell";

    ASSERT_TRUE(file.prepareAside().done());
    const TakeOutcome refused = capture.OpenCapture();
    EXPECT_EQ(refused.problem, RecorderTexts::kDeviceRemoved);
    EXPECT_FALSE(capture.isCapturing());
    EXPECT_FALSE(file.hasPrepared());
    EXPECT_EQ(Pcm::readFile(file.bufferPath()), earlier);
    // What the server offers now is heard again, and the next Record takes it.
    EXPECT_EQ(view.input, true);
    EXPECT_TRUE(start());
    stop();

    // A device that cannot open at all is busy, as without the meter.
    capture.disarm();
    device.deliver();
    device.setDeviceBusy(true);
    capture.arm();
    EXPECT_EQ(view.input, false);
    ASSERT_TRUE(file.prepareAside().done());
    EXPECT_EQ(capture.OpenCapture().problem, RecorderTexts::kDeviceUsed);
}

TEST_F(CaptureStreamTest, ForcedStopsKeepWhatArrivedWithoutWaitingForWhatTheSourceHolds)
{
    const auto pcm = Pcm::sine(1.0);
    ASSERT_TRUE(start());
    play({pcm.begin(), pcm.begin() + 4 * kBlock});
    device.holdBack({pcm.data() + 4 * kBlock, kBlock});
    stop();
    EXPECT_EQ(take().size(), 5 * kBlock) << "a stop takes what the source still held";

    {
        CaptureStream leaving(device, file, view, pageArmed);
        leaving.arm();
        ASSERT_TRUE(file.prepare().done() && leaving.OpenCapture().done());
        play({pcm.begin(), pcm.begin() + 4 * kBlock});
        device.capture({pcm.data() + 4 * kBlock, 1000}); // arrived, not yet delivered
        device.holdBack({pcm.data() + 4 * kBlock + 1000, kBlock});
        leaving.endNow();
    }
    EXPECT_EQ(take(), std::vector<std::uint8_t>(pcm.begin(), pcm.begin() + 4 * kBlock + 1000));
    EXPECT_FALSE(device.isOpen()) << "the window went: no stream for a meter";
    EXPECT_EQ(device.deliver(), 0u);
}

} // namespace
