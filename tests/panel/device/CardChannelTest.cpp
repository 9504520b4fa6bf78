// SPDX-License-Identifier: GPL-3.0-or-later
// The card channel against the simulated device, through the same C
// interface and monitor-message path the panel uses.
#include "CardChannel.h"
#include "HidControlLibrary.h"
#include "MonitorWindow.h"
#include "ParameterBlock.h"
#include "SimulatedDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

namespace {

constexpr unsigned kMonitorMessage = 1124;
constexpr std::uint8_t kParameterKey = 0x20;

using Report = SimulatedDevice::Report;
const Report kZeroReport{};

HidControlLibrary &simulatedLibrary()
{
    static HidControlLibrary library;
    if (!library.isLoaded())
        library.load(ORLENTA_SIM_STAGE_DIR "/NUVAUDIOCTL.so");
    return library;
}

CardFrame parameterWrite(const ParameterBlock &block)
{
    return CardFrame(CardFrame::kParameterWriteHead, block.bytes());
}

Report reportOf(const CardFrame &frame)
{
    CardFrame complete = frame;
    complete.writeChecksum();
    return complete.outputReport();
}

void runEventsFor(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

class CardChannelTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library.isLoaded()) << library.loadError();
        ASSERT_TRUE(device.resolved());
        device.reset();
        ASSERT_NE(library.findDeviceWithId(0x0C45, 0x1F7D), 0);
        library.openHidMonitor(monitor.window());
        library.setMonitorMessage(kMonitorMessage);
        channel.setConnected(true);
        channel.setStateReportHandler(
            [this](const CardFrame::Data &data) { stateReports.push_back(data); });
    }

    void TearDown() override
    {
        library.closeHidMonitor();
        library.closeDevice();
    }

    // Runs fn after ms from inside whatever wait is going on then.
    void after(int ms, std::function<void()> fn)
    {
        QTimer::singleShot(ms, &monitor, std::move(fn));
    }

    HidControlLibrary &library = simulatedLibrary();
    SimulatedDevice device{library.handle()};
    // Pauses and reports in the order the channel makes them.
    std::vector<std::string> steps;
    CardChannel channel{[this](const unsigned char *report, int length) {
                            steps.push_back(report[2] == 0 ? "zero" : "request");
                            return library.outputReport(report, length);
                        },
                        CardChannel::Timing{},
                        [this](std::chrono::milliseconds pause) {
                            steps.push_back("pause " + std::to_string(pause.count()));
                            std::this_thread::sleep_for(pause);
                        }};
    MonitorWindow monitor{[this](unsigned message, std::uintptr_t wParam, const auto &words) {
        if (message == kMonitorMessage)
            channel.onMonitorMessage(wParam, words);
    }};
    std::vector<CardFrame::Data> stateReports;
};

TEST_F(CardChannelTest, AnsweredWriteSendsTheCommandThenReleasesTheDevice)
{
    CardFrame frame = parameterWrite(ParameterBlock::factory());
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, frame), CardChannel::Result::Answered);
    EXPECT_EQ(frame.checksum(), 0x35);
    EXPECT_EQ(device.outputReports(), (std::vector<Report>{reportOf(frame), kZeroReport}));
    EXPECT_EQ(device.block(), ParameterBlock::factory().bytes());
}

TEST_F(CardChannelTest, AnsweredReadDeliversTheDeviceBlock)
{
    device.setBlock(ParameterBlock::newPreset().bytes());
    CardFrame request = CardFrame::readRequest(1);
    CardFrame answer;
    const auto result =
        channel.RecvCommandJY(1, request, [&](bool answered, const CardFrame &captured) {
            EXPECT_TRUE(answered);
            answer = captured;
        });
    ASSERT_EQ(result, CardChannel::Result::Answered);
    EXPECT_EQ(answer.head(), 0x01);
    EXPECT_EQ(answer.data(), ParameterBlock::newPreset().bytes());
    EXPECT_EQ(channel.capturedAnswer().data(), ParameterBlock::newPreset().bytes());
    EXPECT_EQ(device.outputReports(),
              (std::vector<Report>{CardFrame::readRequest(1).outputReport(), kZeroReport}));
}

TEST_F(CardChannelTest, WrongChecksumIsAskedAgainByAReadButAcceptedByAWrite)
{
    device.setAnswerMode(SIM_ANSWER_WRONG_CHECKSUM);
    CardFrame request = CardFrame::readRequest(1);
    std::optional<bool> answered;
    EXPECT_EQ(channel.RecvCommandJY(1, request, [&](bool ok, const CardFrame &) { answered = ok; }),
              CardChannel::Result::Queued);
    EXPECT_EQ(device.outputReports(),
              (std::vector<Report>{CardFrame::readRequest(1).outputReport(), kZeroReport}));
    EXPECT_FALSE(answered.has_value()) << "a malformed answer ends nothing";
    runEventsFor(400);
    EXPECT_GE(device.outputReports().size(), 4u) << "asked again";
    device.setAnswerMode(SIM_ANSWER_NORMAL);
    runEventsFor(600);
    EXPECT_EQ(answered, true);
    EXPECT_EQ(channel.pendingCount(), 0u);

    device.setAnswerMode(SIM_ANSWER_WRONG_CHECKSUM);
    device.clearOutputReports();
    CardFrame write = parameterWrite(ParameterBlock::newPreset());
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, write), CardChannel::Result::Answered);
    EXPECT_EQ(device.outputReports().size(), 2u);
}

TEST_F(CardChannelTest, SilentDeviceFailsAWriteWithOneReleaseReport)
{
    device.setAnswerMode(SIM_ANSWER_SILENT);
    CardFrame frame = parameterWrite(ParameterBlock::factory());
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, frame), CardChannel::Result::Failed);
    EXPECT_GE(timer.elapsed(), 200) << "the write waits its whole budget";
    EXPECT_EQ(device.outputReports(), (std::vector<Report>{reportOf(frame), kZeroReport}));
    EXPECT_FALSE(channel.isWaiting());
}

TEST_F(CardChannelTest, AnswersWithAnotherHeadDoNotCompleteAnExchange)
{
    device.setAnswerMode(SIM_ANSWER_WRONG_HEAD);
    CardFrame frame = parameterWrite(ParameterBlock::factory());
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, frame), CardChannel::Result::Failed);
    EXPECT_EQ(device.outputReports().size(), 2u);
}

TEST_F(CardChannelTest, StateReportDuringAWriteUpdatesThePanelButIsNoAnswer)
{
    device.setAnswerMode(SIM_ANSWER_SILENT);
    after(30, [this] { device.injectStateReport(ParameterBlock::newPreset().bytes()); });
    CardFrame frame = parameterWrite(ParameterBlock::factory());
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, frame), CardChannel::Result::Failed);
    ASSERT_EQ(stateReports.size(), 1u) << "handled during the wait, not after it";
    EXPECT_EQ(stateReports[0], ParameterBlock::newPreset().bytes());
}

TEST_F(CardChannelTest, RefusedRequestsSendNothing)
{
    CardFrame badKey = parameterWrite(ParameterBlock::factory());
    EXPECT_EQ(channel.SendCommandJY(0x21, badKey), CardChannel::Result::Failed);

    CardFrame stateIndex = CardFrame::readRequest(2);
    EXPECT_EQ(channel.RecvCommandJY(2, stateIndex), CardChannel::Result::Failed);

    CardFrame mismatched = CardFrame::readRequest(3);
    EXPECT_EQ(channel.RecvCommandJY(1, mismatched), CardChannel::Result::Failed);

    channel.setExiting();
    CardFrame late = parameterWrite(ParameterBlock::factory());
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, late), CardChannel::Result::Failed);

    EXPECT_TRUE(device.outputReports().empty());
}

TEST_F(CardChannelTest, UnansweredReadLetsItsCallerGoOnAndIsRepeatedUntilUnplug)
{
    device.setAnswerMode(SIM_ANSWER_SILENT);
    CardFrame request = CardFrame::readRequest(1);
    int misses = 0;
    std::optional<bool> answered;
    EXPECT_EQ(
        channel.RecvCommandJY(
            1, request, [&](bool ok, const CardFrame &) { answered = ok; }, [&] { ++misses; }),
        CardChannel::Result::Queued);
    EXPECT_EQ(misses, 1) << "told right after the first attempt";
    EXPECT_FALSE(answered.has_value());
    EXPECT_EQ(device.outputReports().size(), 2u);

    runEventsFor(700);
    EXPECT_EQ(misses, 1);
    // What the connection logic does on a removal notice.
    device.unplug();
    channel.setAbort(true);
    channel.setConnected(false);
    runEventsFor(300);
    EXPECT_EQ(answered, false);
    EXPECT_EQ(channel.pendingCount(), 0u);
    const auto reports = device.outputReports();
    ASSERT_GE(reports.size(), 4u) << "at least two attempts, each released";
    for (std::size_t i = 0; i + 1 < reports.size(); i += 2) {
        EXPECT_EQ(reports[i], CardFrame::readRequest(1).outputReport()) << i;
        EXPECT_EQ(reports[i + 1], kZeroReport) << i;
    }
}

// Every request waits the pacing pause first; a failed write pauses once more
// after its release, and a read attempt that went unanswered pauses briefly
// before the next one.
TEST_F(CardChannelTest, EveryRequestIsPaced)
{
    CardFrame answeredWrite = parameterWrite(ParameterBlock::factory());
    channel.SendCommandJY(kParameterKey, answeredWrite);
    EXPECT_EQ(steps, (std::vector<std::string>{"pause 10", "request", "zero"}));

    steps.clear();
    device.setAnswerMode(SIM_ANSWER_SILENT);
    CardFrame unanswered = parameterWrite(ParameterBlock::factory());
    channel.SendCommandJY(kParameterKey, unanswered);
    EXPECT_EQ(steps, (std::vector<std::string>{"pause 10", "request", "zero", "pause 10"}));

    steps.clear();
    CardFrame request = CardFrame::readRequest(1);
    channel.RecvCommandJY(1, request);
    runEventsFor(600);
    channel.setConnected(false);
    ASSERT_GE(steps.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(steps.begin(), steps.begin() + 8),
              (std::vector<std::string>{"pause 10", "request", "zero", "pause 3", "pause 10",
                                        "request", "zero", "pause 3"}));
}

TEST_F(CardChannelTest, WriteAskedForDuringARepeatingReadGoesOutBetweenAttempts)
{
    device.setAnswerMode(SIM_ANSWER_SILENT);
    CardFrame request = CardFrame::readRequest(1);
    std::optional<bool> written;
    CardFrame write = parameterWrite(ParameterBlock::newPreset());
    // Asked for while the second attempt waits.
    after(350, [&] {
        device.setAnswerMode(SIM_ANSWER_NORMAL);
        EXPECT_EQ(channel.SendCommandJY(kParameterKey, write,
                                        [&](bool ok, const CardFrame &) { written = ok; }),
                  CardChannel::Result::Queued);
    });
    std::optional<bool> read;
    channel.RecvCommandJY(1, request, [&](bool ok, const CardFrame &) { read = ok; });
    runEventsFor(1000);
    EXPECT_EQ(written, true);
    EXPECT_EQ(read, true);
    const auto reports = device.outputReports();
    const auto readRequest = CardFrame::readRequest(1).outputReport();
    ASSERT_EQ(reports.size(), 8u);
    EXPECT_EQ(reports[0], readRequest);
    EXPECT_EQ(reports[2], readRequest);
    EXPECT_EQ(reports[4], reportOf(write)) << "not behind the read's next attempt";
    EXPECT_EQ(reports[6], readRequest);
    EXPECT_EQ(device.block(), ParameterBlock::newPreset().bytes());
}

TEST_F(CardChannelTest, GoingAwayDropsWhatWasWaiting)
{
    device.setAnswerMode(SIM_ANSWER_SILENT);
    CardFrame queued = parameterWrite(ParameterBlock::newPreset());
    after(30, [&] {
        channel.SendCommandJY(kParameterKey, queued);
        CardFrame read = CardFrame::readRequest(1);
        channel.RecvCommandJY(1, read);
        EXPECT_EQ(channel.pendingCount(), 2u);
        device.unplug();
        channel.setAbort(true);
        channel.setConnected(false);
    });
    CardFrame outer = parameterWrite(ParameterBlock::factory());
    channel.SendCommandJY(kParameterKey, outer);
    EXPECT_EQ(channel.pendingCount(), 0u);
    device.plug();
    ASSERT_NE(library.findDeviceWithId(0x0C45, 0x1F7D), 0);
    library.openHidMonitor(monitor.window());
    channel.setAbort(false);
    channel.setConnected(true);
    device.setAnswerMode(SIM_ANSWER_NORMAL);
    device.clearOutputReports();
    CardFrame fresh = CardFrame::readRequest(1);
    EXPECT_EQ(channel.RecvCommandJY(1, fresh), CardChannel::Result::Answered);
    runEventsFor(300);
    EXPECT_EQ(device.outputReports(),
              (std::vector<Report>{CardFrame::readRequest(1).outputReport(), kZeroReport}))
        << "nothing left over from before the unplug";
}

TEST_F(CardChannelTest, NoReadWithoutAConnection)
{
    channel.setConnected(false);
    CardFrame request = CardFrame::readRequest(1);
    EXPECT_EQ(channel.RecvCommandJY(1, request), CardChannel::Result::Failed);
    EXPECT_TRUE(device.outputReports().empty());
}

TEST_F(CardChannelTest, ExchangeAskedForDuringAWaitRunsAfterIt)
{
    device.setAnswerDelayMs(40);
    const ParameterBlock inner = ParameterBlock::newPreset();
    CardFrame innerFrame = parameterWrite(inner);
    std::optional<CardChannel::Result> innerResult;
    bool innerAnswered = false;
    after(10, [&] {
        innerResult = channel.SendCommandJY(kParameterKey, innerFrame,
                                            [&](bool answered, const CardFrame &answer) {
                                                innerAnswered = answered;
                                                EXPECT_EQ(answer.head(), 0xE0);
                                            });
    });
    CardFrame outer = parameterWrite(ParameterBlock::factory());
    CardFrame outerAnswer;
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, outer,
                                    [&](bool, const CardFrame &answer) { outerAnswer = answer; }),
              CardChannel::Result::Answered);
    EXPECT_EQ(innerResult, CardChannel::Result::Queued);
    EXPECT_EQ(outerAnswer.data(), ParameterBlock::factory().bytes())
        << "not overwritten by the queued one";
    EXPECT_EQ(device.outputReports().size(), 2u) << "the queued exchange waits for the event loop";
    // Asked for before the queue has run: it goes behind, not ahead.
    CardFrame read = CardFrame::readRequest(1);
    EXPECT_EQ(channel.RecvCommandJY(1, read), CardChannel::Result::Queued);

    runEventsFor(600);
    EXPECT_TRUE(innerAnswered);
    EXPECT_EQ(device.outputReports(),
              (std::vector<Report>{reportOf(outer), kZeroReport, reportOf(innerFrame), kZeroReport,
                                   CardFrame::readRequest(1).outputReport(), kZeroReport}));
    EXPECT_EQ(device.block(), inner.bytes());
}

// A held spin arrow: every step packs a new block while the first write still
// waits for a slow device. Only one write waits behind it, always the newest;
// the writes it replaced end with it.
TEST_F(CardChannelTest, QueuedBlockWriteIsReplacedByTheNewestOne)
{
    device.setAnswerDelayMs(150);
    std::vector<int> completed;
    std::vector<CardFrame> writes(6);
    for (std::size_t i = 1; i < writes.size(); ++i) {
        after(static_cast<int>(20 * i), [&, i] {
            ParameterBlock::Bytes bytes = ParameterBlock::factory().bytes();
            bytes[4] = static_cast<std::uint8_t>(0xB0 + i);
            writes[i] = CardFrame(CardFrame::kParameterWriteHead, bytes);
            channel.SendCommandJY(kParameterKey, writes[i], [&completed, i](bool, const auto &) {
                completed.push_back(static_cast<int>(i));
            });
            EXPECT_LE(channel.pendingCount(), 1u);
        });
    }
    writes[0] = parameterWrite(ParameterBlock::factory());
    channel.SendCommandJY(kParameterKey, writes[0]);
    runEventsFor(600);
    EXPECT_EQ(completed, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(device.outputReports(), (std::vector<Report>{reportOf(writes[0]), kZeroReport,
                                                           reportOf(writes[5]), kZeroReport}));
    EXPECT_EQ(device.block()[4], 0xB5);
}

TEST_F(CardChannelTest, MalformedAndUnexpectedReportsAreIgnored)
{
    device.injectRawReport({0x00, 0x02, 0x0F}); // short, and a state report with a wrong checksum
    device.injectRawReport({0x00, 0xE0, 0x01, 0x02}); // an answer nobody waits for
    std::vector<std::uint8_t> oversized(64, 0xFF);
    device.injectRawReport(oversized);
    monitor.window()->postMessage(monitor.window(), kMonitorMessage, 7, 0); // not a report
    monitor.window()->postMessage(monitor.window(), kMonitorMessage, SNX_INPUT_REPORT_WPARAM, 0);
    runEventsFor(50);
    EXPECT_TRUE(stateReports.empty());

    CardFrame frame = parameterWrite(ParameterBlock::factory());
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, frame), CardChannel::Result::Answered);
    EXPECT_EQ(channel.capturedAnswer().data(), ParameterBlock::factory().bytes());
}

TEST_F(CardChannelTest, ExitingEndsARepeatingRead)
{
    device.setAnswerMode(SIM_ANSWER_SILENT);
    after(100, [this] { channel.setExiting(); });
    CardFrame request = CardFrame::readRequest(1);
    EXPECT_EQ(channel.RecvCommandJY(1, request), CardChannel::Result::Failed);
    EXPECT_EQ(device.outputReports(),
              (std::vector<Report>{CardFrame::readRequest(1).outputReport(), kZeroReport}))
        << "ended after its first wait, the device released";
}

} // namespace
