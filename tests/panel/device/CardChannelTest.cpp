// SPDX-License-Identifier: GPL-3.0-or-later
// The command channel against the simulated device, through the same C
// interface and monitor-message path the panel uses.
#include "CommandChannel.h"
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

CommandFrame parameterWrite(const ParameterBlock &block)
{
    return CommandFrame(CommandFrame::kParameterWriteHead, block.bytes());
}

Report reportOf(const CommandFrame &frame)
{
    CommandFrame complete = frame;
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

class CommandChannelTest : public testing::Test {
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
            [this](const CommandFrame::Data &data) { stateReports.push_back(data); });
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
    CommandChannel channel{[this](const unsigned char *report, int length) {
                               steps.push_back(report[2] == 0 ? "zero" : "request");
                               return library.outputReport(report, length);
                           },
                           CommandChannel::Timing{},
                           [this](std::chrono::milliseconds pause) {
                               steps.push_back("pause " + std::to_string(pause.count()));
                               std::this_thread::sleep_for(pause);
                           }};
    MonitorWindow monitor{[this](unsigned message, std::uintptr_t wParam, const auto &words) {
        if (message == kMonitorMessage)
            channel.onMonitorMessage(wParam, words);
    }};
    std::vector<CommandFrame::Data> stateReports;
};

TEST_F(CommandChannelTest, AnsweredWriteSendsTheCommandThenReleasesTheDevice)
{
    CommandFrame frame = parameterWrite(ParameterBlock::factory());
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, frame), CommandChannel::Result::Answered);
    EXPECT_EQ(frame.checksum(), 0x35);
    EXPECT_EQ(device.outputReports(), (std::vector<Report>{reportOf(frame), kZeroReport}));
    EXPECT_EQ(device.block(), ParameterBlock::factory().bytes());
}

TEST_F(CommandChannelTest, AnsweredReadDeliversTheDeviceBlock)
{
    device.setBlock(ParameterBlock::newPreset().bytes());
    CommandFrame request = CommandFrame::readRequest(1);
    CommandFrame answer;
    const auto result =
        channel.RecvCommandJY(1, request, [&](bool answered, const CommandFrame &captured) {
            EXPECT_TRUE(answered);
            answer = captured;
        });
    ASSERT_EQ(result, CommandChannel::Result::Answered);
    EXPECT_EQ(answer.head(), 0x01);
    EXPECT_EQ(answer.data(), ParameterBlock::newPreset().bytes());
    EXPECT_EQ(channel.capturedAnswer().data(), ParameterBlock::newPreset().bytes());
    EXPECT_EQ(device.outputReports(),
              (std::vector<Report>{CommandFrame::readRequest(1).outputReport(), kZeroReport}));
}

TEST_F(CommandChannelTest, WrongChecksumIsAskedAgainByAReadButAcceptedByAWrite)
{
    device.setAnswerMode(SIM_ANSWER_WRONG_CHECKSUM);
    CommandFrame request = CommandFrame::readRequest(1);
    std::optional<bool> answered;
    EXPECT_EQ(
        channel.RecvCommandJY(1, request, [&](bool ok, const CommandFrame &) { answered = ok; }),
        CommandChannel::Result::Queued);
    EXPECT_EQ(device.outputReports(),
              (std::vector<Report>{CommandFrame::readRequest(1).outputReport(), kZeroReport}));
    EXPECT_FALSE(answered.has_value()) << "a malformed answer ends nothing";
    runEventsFor(400);
    EXPECT_GE(device.outputReports().size(), 4u) << "asked again";
    device.setAnswerMode(SIM_ANSWER_NORMAL);
    runEventsFor(600);
    EXPECT_EQ(answered, true);
    EXPECT_EQ(channel.pendingCount(), 0u);

    device.setAnswerMode(SIM_ANSWER_WRONG_CHECKSUM);
    device.clearOutputReports();
    CommandFrame write = parameterWrite(ParameterBlock::newPreset());
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, write), CommandChannel::Result::Answered);
    EXPECT_EQ(device.outputReports().size(), 2u);
}

TEST_F(CommandChannelTest, SilentDeviceFailsAWriteWithOneReleaseReport)
{
    device.setAnswerMode(SIM_ANSWER_SILENT);
    CommandFrame frame = parameterWrite(ParameterBlock::factory());
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, frame), CommandChannel::Result::Failed);
    EXPECT_GE(timer.elapsed(), 200) << "the write waits its whole budget";
    EXPECT_EQ(device.outputReports(), (std::vector<Report>{reportOf(frame), kZeroReport}));
    EXPECT_FALSE(channel.isWaiting());
}

TEST_F(CommandChannelTest, AnswersWithAnotherHeadDoNotCompleteAnExchange)
{
    device.setAnswerMode(SIM_ANSWER_WRONG_HEAD);
    CommandFrame frame = parameterWrite(ParameterBlock::factory());
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, frame), CommandChannel::Result::Failed);
    EXPECT_EQ(device.outputReports().size(), 2u);
}

TEST_F(CommandChannelTest, StateReportDuringAWriteUpdatesThePanelButIsNoAnswer)
{
    device.setAnswerMode(SIM_ANSWER_SILENT);
    after(30, [this] { device.injectStateReport(ParameterBlock::newPreset().bytes()); });
    CommandFrame frame = parameterWrite(ParameterBlock::factory());
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, frame), CommandChannel::Result::Failed);
    ASSERT_EQ(stateReports.size(), 1u) << "handled during the wait, not after it";
    EXPECT_EQ(stateReports[0], ParameterBlock::newPreset().bytes());
}

TEST_F(CommandChannelTest, RefusedRequestsSendNothing)
{
    CommandFrame badKey = parameterWrite(ParameterBlock::factory());
    EXPECT_EQ(channel.SendCommandJY(0x21, badKey), CommandChannel::Result::Failed);

    CommandFrame stateIndex = CommandFrame::readRequest(2);
    EXPECT_EQ(channel.RecvCommandJY(2, stateIndex), CommandChannel::Result::Failed);

    CommandFrame mismatched = CommandFrame::readRequest(3);
    EXPECT_EQ(channel.RecvCommandJY(1, mismatched), CommandChannel::Result::Failed);

    channel.setExiting();
    CommandFrame late = parameterWrite(ParameterBlock::factory());
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, late), CommandChannel::Result::Failed);

    EXPECT_TRUE(device.outputReports().empty());
}

TEST_F(CommandChannelTest, UnansweredReadLetsItsCallerGoOnAndIsRepeatedUntilUnplug)
{
    device.setAnswerMode(SIM_ANSWER_SILENT);
    CommandFrame request = CommandFrame::readRequest(1);
    int misses = 0;
    std::optional<bool> answered;
    EXPECT_EQ(
        channel.RecvCommandJY(
            1, request, [&](bool ok, const CommandFrame &) { answered = ok; }, [&] { ++misses; }),
        CommandChannel::Result::Queued);
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
        EXPECT_EQ(reports[i], CommandFrame::readRequest(1).outputReport()) << i;
        EXPECT_EQ(reports[i + 1], kZeroReport) << i;
    }
}

// Every request waits the pacing pause first; a failed write pauses once more
// after its release, and a read attempt that went unanswered pauses briefly
// before the next one.
TEST_F(CommandChannelTest, EveryRequestIsPaced)
{
    CommandFrame answeredWrite = parameterWrite(ParameterBlock::factory());
    channel.SendCommandJY(kParameterKey, answeredWrite);
    EXPECT_EQ(steps, (std::vector<std::string>{"pause 10", "request", "zero"}));

    steps.clear();
    device.setAnswerMode(SIM_ANSWER_SILENT);
    CommandFrame unanswered = parameterWrite(ParameterBlock::factory());
    channel.SendCommandJY(kParameterKey, unanswered);
    EXPECT_EQ(steps, (std::vector<std::string>{"pause 10", "request", "zero", "pause 10"}));

    steps.clear();
    CommandFrame request = CommandFrame::readRequest(1);
    channel.RecvCommandJY(1, request);
    runEventsFor(600);
    channel.setConnected(false);
    ASSERT_GE(steps.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(steps.begin(), steps.begin() + 8),
              (std::vector<std::string>{"pause 10", "request", "zero", "pause 3", "pause 10",
                                        "request", "zero", "pause 3"}));
}

TEST_F(CommandChannelTest, WriteAskedForDuringARepeatingReadGoesOutBetweenAttempts)
{
    device.setAnswerMode(SIM_ANSWER_SILENT);
    CommandFrame request = CommandFrame::readRequest(1);
    std::optional<bool> written;
    CommandFrame write = parameterWrite(ParameterBlock::newPreset());
    // Asked for while the second attempt waits.
    after(350, [&] {
        device.setAnswerMode(SIM_ANSWER_NORMAL);
        EXPECT_EQ(channel.SendCommandJY(kParameterKey, write,
                                        [&](bool ok, const CommandFrame &) { written = ok; }),
                  CommandChannel::Result::Queued);
    });
    std::optional<bool> read;
    channel.RecvCommandJY(1, request, [&](bool ok, const CommandFrame &) { read = ok; });
    runEventsFor(1000);
    EXPECT_EQ(written, true);
    EXPECT_EQ(read, true);
    const auto reports = device.outputReports();
    const auto readRequest = CommandFrame::readRequest(1).outputReport();
    ASSERT_EQ(reports.size(), 8u);
    EXPECT_EQ(reports[0], readRequest);
    EXPECT_EQ(reports[2], readRequest);
    EXPECT_EQ(reports[4], reportOf(write)) << "not behind the read's next attempt";
    EXPECT_EQ(reports[6], readRequest);
    EXPECT_EQ(device.block(), ParameterBlock::newPreset().bytes());
}

TEST_F(CommandChannelTest, GoingAwayDropsWhatWasWaiting)
{
    device.setAnswerMode(SIM_ANSWER_SILENT);
    CommandFrame queued = parameterWrite(ParameterBlock::newPreset());
    after(30, [&] {
        channel.SendCommandJY(kParameterKey, queued);
        CommandFrame read = CommandFrame::readRequest(1);
        channel.RecvCommandJY(1, read);
        EXPECT_EQ(channel.pendingCount(), 2u);
        device.unplug();
        channel.setAbort(true);
        channel.setConnected(false);
    });
    CommandFrame outer = parameterWrite(ParameterBlock::factory());
    channel.SendCommandJY(kParameterKey, outer);
    EXPECT_EQ(channel.pendingCount(), 0u);
    device.plug();
    ASSERT_NE(library.findDeviceWithId(0x0C45, 0x1F7D), 0);
    library.openHidMonitor(monitor.window());
    channel.setAbort(false);
    channel.setConnected(true);
    device.setAnswerMode(SIM_ANSWER_NORMAL);
    device.clearOutputReports();
    CommandFrame fresh = CommandFrame::readRequest(1);
    EXPECT_EQ(channel.RecvCommandJY(1, fresh), CommandChannel::Result::Answered);
    runEventsFor(300);
    EXPECT_EQ(device.outputReports(),
              (std::vector<Report>{CommandFrame::readRequest(1).outputReport(), kZeroReport}))
        << "nothing left over from before the unplug";
}

TEST_F(CommandChannelTest, NoReadWithoutAConnection)
{
    channel.setConnected(false);
    CommandFrame request = CommandFrame::readRequest(1);
    EXPECT_EQ(channel.RecvCommandJY(1, request), CommandChannel::Result::Failed);
    EXPECT_TRUE(device.outputReports().empty());
}

TEST_F(CommandChannelTest, ExchangeAskedForDuringAWaitRunsAfterIt)
{
    device.setAnswerDelayMs(40);
    const ParameterBlock inner = ParameterBlock::newPreset();
    CommandFrame innerFrame = parameterWrite(inner);
    std::optional<CommandChannel::Result> innerResult;
    bool innerAnswered = false;
    after(10, [&] {
        innerResult = channel.SendCommandJY(kParameterKey, innerFrame,
                                            [&](bool answered, const CommandFrame &answer) {
                                                innerAnswered = answered;
                                                EXPECT_EQ(answer.head(), 0xE0);
                                            });
    });
    CommandFrame outer = parameterWrite(ParameterBlock::factory());
    CommandFrame outerAnswer;
    EXPECT_EQ(
        channel.SendCommandJY(kParameterKey, outer,
                              [&](bool, const CommandFrame &answer) { outerAnswer = answer; }),
        CommandChannel::Result::Answered);
    EXPECT_EQ(innerResult, CommandChannel::Result::Queued);
    EXPECT_EQ(outerAnswer.data(), ParameterBlock::factory().bytes())
        << "not overwritten by the queued one";
    EXPECT_EQ(device.outputReports().size(), 2u) << "the queued exchange waits for the event loop";
    // Asked for before the queue has run: it goes behind, not ahead.
    CommandFrame read = CommandFrame::readRequest(1);
    EXPECT_EQ(channel.RecvCommandJY(1, read), CommandChannel::Result::Queued);

    runEventsFor(600);
    EXPECT_TRUE(innerAnswered);
    EXPECT_EQ(device.outputReports(),
              (std::vector<Report>{reportOf(outer), kZeroReport, reportOf(innerFrame), kZeroReport,
                                   CommandFrame::readRequest(1).outputReport(), kZeroReport}));
    EXPECT_EQ(device.block(), inner.bytes());
}

// A held spin arrow: every step packs a new block while the first write still
// waits for a slow device. Only one write waits behind it, always the newest;
// the writes it replaced end with it.
TEST_F(CommandChannelTest, QueuedBlockWriteIsReplacedByTheNewestOne)
{
    device.setAnswerDelayMs(150);
    std::vector<int> completed;
    std::vector<CommandFrame> writes(6);
    for (std::size_t i = 1; i < writes.size(); ++i) {
        after(static_cast<int>(20 * i), [&, i] {
            ParameterBlock::Bytes bytes = ParameterBlock::factory().bytes();
            bytes[4] = static_cast<std::uint8_t>(0xB0 + i);
            writes[i] = CommandFrame(CommandFrame::kParameterWriteHead, bytes);
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

TEST_F(CommandChannelTest, MalformedAndUnexpectedReportsAreIgnored)
{
    device.injectRawReport({0x00, 0x02, 0x0F}); // short, and a state report with a wrong checksum
    device.injectRawReport({0x00, 0xE0, 0x01, 0x02}); // an answer nobody waits for
    std::vector<std::uint8_t> oversized(64, 0xFF);
    device.injectRawReport(oversized);
    monitor.window()->postMessage(monitor.window(), kMonitorMessage, 7, 0); // not a report
    monitor.window()->postMessage(monitor.window(), kMonitorMessage, SNX_INPUT_REPORT_WPARAM, 0);
    runEventsFor(50);
    EXPECT_TRUE(stateReports.empty());

    CommandFrame frame = parameterWrite(ParameterBlock::factory());
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, frame), CommandChannel::Result::Answered);
    EXPECT_EQ(channel.capturedAnswer().data(), ParameterBlock::factory().bytes());
}

TEST_F(CommandChannelTest, ExitingEndsARepeatingRead)
{
    device.setAnswerMode(SIM_ANSWER_SILENT);
    after(100, [this] { channel.setExiting(); });
    CommandFrame request = CommandFrame::readRequest(1);
    EXPECT_EQ(channel.RecvCommandJY(1, request), CommandChannel::Result::Failed);
    EXPECT_EQ(device.outputReports(),
              (std::vector<Report>{CommandFrame::readRequest(1).outputReport(), kZeroReport}))
        << "ended after its first wait, the device released";
}

} // namespace
