// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulseAudioCapture.h"
#include "BufferFile.h"
#include "CaptureStream.h"
#include "CaptureView.h"
#include "InputMeter.h"
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

// Has the test server suspend sources idle for a second, as desktops do, and
// takes that away again for the tests that follow. PipeWire has no such
// module: it suspends idle nodes of its own accord, after a few seconds.
class SuspendOnIdle {
public:
    SuspendOnIdle() : module_(pactl({"load-module", "module-suspend-on-idle", "timeout=1"})) {}
    ~SuspendOnIdle()
    {
        if (!module_.isEmpty())
            pactl({"unload-module", module_});
    }

private:
    QString module_;
};

bool suspended(const QString &source)
{
    for (const QString &line : pactl({"list", "short", "sources"}).split('\n')) {
        const QStringList fields = line.split('\t');
        if (fields.size() >= 5 && fields[1] == source)
            return fields[4] == QLatin1String("SUSPENDED");
    }
    return false;
}

// The loudest level the meter read over what the view was shown.
InputMeter loudestOf(const std::vector<CaptureLevel> &levels)
{
    CaptureLevel loudest;
    for (const CaptureLevel &level : levels)
        loudest.merge(level);
    InputMeter meter;
    meter.show(loudest, 0);
    return meter;
}

class PulseAudioCaptureTest : public ::testing::Test {
protected:
    // Plays a 1 kHz tone of this amplitude into the device's sink, at low
    // latency, and lets the capture's notifications in until it has played.
    void playTone(double seconds, double amplitude)
    {
        const QString tone = QString::fromStdString((folder.path() / "tone.wav").string());
        ASSERT_EQ(QProcess::execute("sox", {"-q", "-n", "-r", "44100", "-c", "2", "-b", "16", tone,
                                            "synth", QString::number(seconds), "sine", "1000",
                                            "vol", QString::number(amplitude)}),
                  0);
        QProcess player;
        player.start("paplay", {"--latency-msec=20", "-d", "vek", tone});
        ASSERT_TRUE(player.waitForStarted(5000));
        runEventsFor(int(seconds * 1000) + 5000,
                     [&] { return player.state() == QProcess::NotRunning; });
        runEventsFor(300);
    }

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

TEST_F(PulseAudioCaptureTest, TheMeterReadsAToneAtItsLevelSilenceAsMinusInfinityAndClipping)
{
    capture.arm();
    ASSERT_EQ(view.input, true);
    runEventsFor(500);
    view.levels.clear();
    playTone(1.5, 0.5);
    const InputMeter tone = loudestOf(view.levels);
    EXPECT_NEAR(tone.loudestDb(), -6.0, 1.0);
    EXPECT_FALSE(tone.clipped(0) || tone.clipped(1));

    runEventsFor(500);
    view.levels.clear();
    runEventsFor(500);
    ASSERT_FALSE(view.levels.empty()) << "the meter goes on without a sound";
    EXPECT_EQ(loudestOf(view.levels).loudestText(), "-inf");

    view.levels.clear();
    playTone(1.0, 2.0); // clipped to full scale
    const InputMeter clipped = loudestOf(view.levels);
    EXPECT_TRUE(clipped.clipped(0) && clipped.clipped(1));
    EXPECT_FALSE(capture.isCapturing());
}

TEST_F(PulseAudioCaptureTest, AnArmedStreamKeepsASuspendedSourceAwakeSoATakeKeepsItsStart)
{
    const SuspendOnIdle suspend;
    runEventsFor(10000, [] { return suspended("vek_in"); });
    ASSERT_TRUE(suspended("vek_in")) << "the test server never suspended its idle source";
    // The window shows for a while before Record: longer than the test
    // server's idle sink sleeps (up to 2 s), after which its source sends.
    capture.arm();
    runEventsFor(2500);
    EXPECT_FALSE(suspended("vek_in")) << "an open stream keeps its source awake";
    ASSERT_TRUE(file.prepare().done());
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(capture.OpenCapture().done());
    const double started = clock.nsecsElapsed() / 1e9;
    runEventsFor(3000);
    const double stopping = clock.nsecsElapsed() / 1e9;
    capture.StopCapture();
    runEventsFor(5000, [&] { return view.ended; });
    ASSERT_TRUE(view.ended);
    const double seconds = (Pcm::readFile(file.bufferPath()).size() - 46) / 176400.0;
    EXPECT_NEAR(seconds, stopping - started, 0.03);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
