// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulseAudioCapture.h"
#include "BufferFile.h"
#include "CaptureStream.h"
#include "CaptureView.h"
#include "Pcm.h"
#include "RecorderTexts.h"
#include "TempFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace {

struct ThreadCheckingView : CaptureView {
    void showElapsed(double) override {}
    void turnPage(int, std::uint32_t) override {}
    void drawBlock(const std::uint8_t *, std::uint32_t length) override
    {
        onWindowThread = onWindowThread && QThread::currentThread() == qApp->thread();
        blockLengths.push_back(length);
    }
    void showLevel(const CaptureLevel &level) override { levels.push_back(level); }
    void showInput(bool available) override { input = available; }
    void captureEnded(const TakeOutcome &outcome) override
    {
        ended = true;
        ending = outcome;
    }

    std::vector<std::uint32_t> blockLengths;
    bool onWindowThread = true;
    bool ended = false;
    TakeOutcome ending;
    std::vector<CaptureLevel> levels;
    std::optional<bool> input;
};

void runEventsFor(int milliseconds, const std::function<bool()> &until = {})
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds && !(until && until()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Seconds between the first and the last sample louder than the threshold.
double loudSpan(const std::vector<std::uint8_t> &pcm, int threshold = 2000)
{
    std::optional<std::size_t> first, last;
    for (std::size_t frame = 0; frame * 4 + 1 < pcm.size(); ++frame) {
        const auto left = std::int16_t(pcm[frame * 4] | pcm[frame * 4 + 1] << 8);
        if (std::abs(left) > threshold) {
            first = first.value_or(frame);
            last = frame;
        }
    }
    return first ? double(*last - *first + 1) / 44100 : 0.0;
}

QString pactl(const QStringList &arguments)
{
    QProcess process;
    process.start("pactl", arguments);
    process.waitForFinished(5000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Takes a source away from the test server the way unplugging its card does
// (its module goes), and brings it back as it was, name, description and
// default, for the tests that follow.
class UnpluggedSource {
public:
    explicit UnpluggedSource(const QString &name) : default_(pactl({"get-default-source"}))
    {
        for (const QString &line : pactl({"list", "short", "modules"}).split('\n')) {
            const QStringList fields = line.split('\t');
            if (fields.size() >= 3 && fields[2].contains("source_name=" + name + " ")) {
                module_ = fields[1];
                arguments_ = fields[2];
                pactl({"unload-module", fields[0]});
                return;
            }
        }
    }
    ~UnpluggedSource()
    {
        if (module_.isEmpty())
            return;
        pactl({"load-module", module_, arguments_});
        pactl({"set-default-source", default_});
    }
    bool unplugged() const { return !module_.isEmpty(); }

private:
    QString default_;
    QString module_;
    QString arguments_;
};

class PulseAudioCaptureTest : public ::testing::Test {
protected:
    TempFolder folder;
    PulseAudioCapture device;
    BufferFile file{folder.path()};
    ThreadCheckingView view;
    bool pageArmed = true;
    CaptureStream capture{device, file, view, pageArmed};
};

TEST_F(PulseAudioCaptureTest, PlayedSineIsCapturedWholeInOrderedBlocksOnTheWindowThread)
{
    const auto tone = Pcm::sine(1.0);
    const auto toneFile = folder.path() / "tone.wav";
    const auto header = WaveHeader{PcmFormat{}, WaveHeader::kSize, tone.size()}.bytes();
    std::vector<std::uint8_t> wav(header.size() + tone.size());
    std::copy(tone.begin(), tone.end(), std::copy(header.begin(), header.end(), wav.begin()));
    Pcm::writeFile(toneFile, wav);

    ASSERT_TRUE(file.prepare().done());
    ASSERT_TRUE(capture.OpenCapture().done())
        << "no PulseAudio server: run eval \"$(scripts/services.sh start)\" first";
    runEventsFor(300);
    QProcess player;
    player.start("paplay", {"-d", "vek", QString::fromStdString(toneFile.string())});
    ASSERT_TRUE(player.waitForStarted(5000));
    runEventsFor(5000, [&] { return player.state() == QProcess::NotRunning; });
    ASSERT_EQ(player.exitCode(), 0) << player.readAllStandardError().toStdString();
    runEventsFor(300);
    capture.StopCapture();
    runEventsFor(5000, [&] { return view.ended; });

    ASSERT_TRUE(view.ended) << "no close notice after the stop";
    EXPECT_TRUE(view.onWindowThread);
    ASSERT_GE(view.blockLengths.size(), 20u) << "less than the tone itself";
    for (std::size_t i = 0; i + 1 < view.blockLengths.size(); ++i)
        ASSERT_EQ(view.blockLengths[i], 8820u) << "block " << i;
    EXPECT_LE(view.blockLengths.back(), 8820u);

    const auto bytes = Pcm::readFile(file.bufferPath());
    ASSERT_GE(bytes.size(), 46u);
    EXPECT_EQ(Pcm::le32(bytes, 42), bytes.size() - 46);
    const std::vector<std::uint8_t> take(bytes.begin() + 46, bytes.end());
    EXPECT_NEAR(loudSpan(take), 1.0, 0.05);
    EXPECT_TRUE(view.ending.done());
}

TEST_F(PulseAudioCaptureTest, ASourceThatGoesAwayEndsTheTakeInsteadOfRecordingAnother)
{
    ASSERT_TRUE(file.prepare().done());
    ASSERT_TRUE(capture.OpenCapture().done());
    runEventsFor(500);
    {
        const UnpluggedSource unplugged("vek_in");
        ASSERT_TRUE(unplugged.unplugged()) << "the test server has no source vek_in";
        // Left to itself the server would move the stream to the sink's monitor.
        runEventsFor(5000, [&] { return view.ended; });
    }
    ASSERT_TRUE(view.ended) << "the take went on after its source had gone";
    EXPECT_FALSE(capture.isCapturing());
    EXPECT_EQ(view.ending.problem, RecorderTexts::kDeviceRemoved);
    const auto bytes = Pcm::readFile(file.bufferPath());
    ASSERT_GE(bytes.size(), 46u);
    EXPECT_EQ(Pcm::le32(bytes, 42), bytes.size() - 46);
    // The source is back for whoever comes next.
    EXPECT_EQ(pactl({"get-default-source"}), QString("vek_in"));
}

TEST_F(PulseAudioCaptureTest, DeviceTakesOneCaptureAtATime)
{
    struct IgnoringListener : CaptureListener {
        void OnCaptureBuffer(CaptureBlock &) override {}
        void OnCaptureLevel(const CaptureLevel &) override {}
        void OnCaptureDeviceLost() override {}
        void OnCaptureClosed() override {}
    } other;
    ASSERT_TRUE(file.prepare().done());
    ASSERT_TRUE(capture.OpenCapture().done());
    EXPECT_FALSE(device.open(PcmFormat{}, other));
    capture.StopCapture();
    runEventsFor(5000, [&] { return view.ended; });
    ASSERT_TRUE(view.ended);
    EXPECT_TRUE(device.open(PcmFormat{}, other));
    device.abandon();
}

TEST_F(PulseAudioCaptureTest, NoSoundServerMeansTheDeviceIsReportedBusy)
{
    const char *old = std::getenv("PULSE_SERVER");
    const std::string saved = old ? old : "";
    setenv("PULSE_SERVER", "unix:/nonexistent/orlenta-no-server", 1);
    ASSERT_TRUE(file.prepare().done());
    const TakeOutcome refused = capture.OpenCapture();
    old ? setenv("PULSE_SERVER", saved.c_str(), 1) : unsetenv("PULSE_SERVER");
    EXPECT_EQ(refused.problem, RecorderTexts::kDeviceUsed);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
