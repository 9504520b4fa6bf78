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
    CommandChannel channel{[this](const unsigned char *report, int length) {
        return library.outputReport(report, length);
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

TEST_F(CommandChannelTest, WrongChecksumFailsAReadButNotAWrite)
{
    device.setAnswerMode(SIM_ANSWER_WRONG_CHECKSUM);
    CommandFrame request = CommandFrame::readRequest(1);
    EXPECT_EQ(channel.RecvCommandJY(1, request), CommandChannel::Result::Failed);
    EXPECT_EQ(device.outputReports(),
              (std::vector<Report>{CommandFrame::readRequest(1).outputReport(), kZeroReport}));

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

TEST_F(CommandChannelTest, ReadIsRepeatedUntilTheDeviceIsUnplugged)
{
    device.setAnswerMode(SIM_ANSWER_SILENT);
    // What the connection logic does on a removal notice.
    after(600, [this] {
        device.unplug();
        channel.setAbort(true);
        channel.setConnected(false);
    });
    CommandFrame request = CommandFrame::readRequest(1);
    EXPECT_EQ(channel.RecvCommandJY(1, request), CommandChannel::Result::Failed);
    const auto reports = device.outputReports();
    ASSERT_GE(reports.size(), 4u) << "at least two attempts, each released";
    EXPECT_EQ(reports[0], CommandFrame::readRequest(1).outputReport());
    EXPECT_EQ(reports[1], kZeroReport);
    EXPECT_EQ(reports[2], CommandFrame::readRequest(1).outputReport());
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
    CommandFrame last = parameterWrite(ParameterBlock::factory());
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, last), CommandChannel::Result::Queued);

    runEventsFor(600);
    EXPECT_TRUE(innerAnswered);
    EXPECT_EQ(device.outputReports(),
              (std::vector<Report>{reportOf(outer), kZeroReport, reportOf(innerFrame), kZeroReport,
                                   reportOf(last), kZeroReport}));
    EXPECT_EQ(device.block(), ParameterBlock::factory().bytes());
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
