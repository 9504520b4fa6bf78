// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated device through the C interface, as the panel drives it: a
// monitor window that records what the device's thread posts.
#include "RecordingWindow.h"
#include "SimulatedDeviceApi.h"
#include "SnxLibrary.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <numeric>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Report = std::array<std::uint8_t, SNX_REPORT_SIZE>;
using Block = std::array<std::uint8_t, 8>;
using Words = std::array<std::uint32_t, 4>;

constexpr unsigned short kVendorId = 0x0C45;
constexpr unsigned short kProductId = 0x1F7D;
constexpr unsigned kMonitorMessage = 1124;
constexpr Block kFactoryBlock{0x0F, 0x0F, 0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E};
constexpr Block kOtherBlock{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
const Report kAcknowledgement{};
// Long enough that the test thread acts before the answer is due.
constexpr int kLongDelayMs = 150;
// How long a report that should never come is waited for.
constexpr auto kQuietPeriod = 400ms;

std::uint8_t sum(std::uint8_t head, const Block &data)
{
    return static_cast<std::uint8_t>(std::accumulate(data.begin(), data.end(), unsigned{head}));
}

Report outputReport(std::uint8_t head, const Block &data, std::uint8_t checksumError = 0)
{
    Report report{0x00, 0x00, head, 0x00, 0x00, 0x0C, 0x45};
    std::copy(data.begin(), data.end(), report.begin() + 7);
    report[15] = static_cast<std::uint8_t>(sum(head, data) + checksumError);
    return report;
}

Report readRequest(std::uint8_t index = 1)
{
    return outputReport(0x41, Block{index});
}

Report blockWrite(const Block &block)
{
    return outputReport(0x60, block);
}

Report bytesOf(const Words &words)
{
    Report bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(words[i / 4] >> (24 - 8 * (i % 4)));
    return bytes;
}

Block dataOf(const Report &input)
{
    Block data{input[2]};
    std::copy(input.begin() + 7, input.begin() + 14, data.begin() + 1);
    return data;
}

SnxLibrary &simulatedLibrary()
{
    static SnxLibrary library{ORLENTA_SIM_STAGE_DIR "/NUVAUDIOCTL.so"};
    return library;
}

class SimulatedDeviceTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library.complete()) << library.error();
        ASSERT_TRUE(reset && plug && unplug && isPlugged && setAnswerMode && setAnswerDelayMs &&
                    getBlock && setBlock && injectStateReport && injectRawReport &&
                    outputReportCount && getOutputReport && clearOutputReports);
        reset();
        ASSERT_NE(library.findDeviceWithId(kVendorId, kProductId), 0);
        library.openHidMonitor(&window);
        library.setMonitorMessage(kMonitorMessage);
    }

    void TearDown() override
    {
        library.closeHidMonitor();
        library.closeDevice();
    }

    int send(const Report &report) { return library.outputReport(report.data(), SNX_REPORT_SIZE); }

    // The next input report, after checking it came as the monitor message.
    std::optional<Report> nextReport(std::chrono::milliseconds timeout = 5s)
    {
        const auto posted = window.next(timeout);
        if (!posted)
            return std::nullopt;
        EXPECT_EQ(posted->message, kMonitorMessage);
        EXPECT_EQ(posted->wParam, SNX_INPUT_REPORT_WPARAM);
        return bytesOf(posted->words);
    }

    // Reports are posted in order, so when this answer arrives first nothing
    // was answered before it.
    void expectNextIsReadAnswer()
    {
        ASSERT_EQ(send(readRequest()), 1);
        const auto answer = nextReport();
        ASSERT_TRUE(answer);
        EXPECT_EQ((*answer)[1], 0x01);
    }

    Block deviceBlock() const
    {
        Block block{};
        getBlock(block.data());
        return block;
    }

    std::vector<Report> loggedReports() const
    {
        std::vector<Report> reports(static_cast<std::size_t>(outputReportCount()));
        for (std::size_t i = 0; i < reports.size(); ++i)
            EXPECT_EQ(getOutputReport(static_cast<int>(i), reports[i].data()), 1);
        return reports;
    }

    SnxLibrary &library = simulatedLibrary();
    RecordingWindow window;

    template <typename F> F sim(const char *name) const { return library.symbol<F>(name); }
    decltype(&SIM_Reset) reset = sim<decltype(reset)>("SIM_Reset");
    decltype(&SIM_Plug) plug = sim<decltype(plug)>("SIM_Plug");
    decltype(&SIM_Unplug) unplug = sim<decltype(unplug)>("SIM_Unplug");
    decltype(&SIM_IsPlugged) isPlugged = sim<decltype(isPlugged)>("SIM_IsPlugged");
    decltype(&SIM_SetAnswerMode) setAnswerMode = sim<decltype(setAnswerMode)>("SIM_SetAnswerMode");
    decltype(&SIM_SetAnswerDelayMs) setAnswerDelayMs =
        sim<decltype(setAnswerDelayMs)>("SIM_SetAnswerDelayMs");
    decltype(&SIM_GetBlock) getBlock = sim<decltype(getBlock)>("SIM_GetBlock");
    decltype(&SIM_SetBlock) setBlock = sim<decltype(setBlock)>("SIM_SetBlock");
    decltype(&SIM_InjectStateReport) injectStateReport =
        sim<decltype(injectStateReport)>("SIM_InjectStateReport");
    decltype(&SIM_InjectRawReport) injectRawReport =
        sim<decltype(injectRawReport)>("SIM_InjectRawReport");
    decltype(&SIM_OutputReportCount) outputReportCount =
        sim<decltype(outputReportCount)>("SIM_OutputReportCount");
    decltype(&SIM_GetOutputReport) getOutputReport =
        sim<decltype(getOutputReport)>("SIM_GetOutputReport");
    decltype(&SIM_ClearOutputReports) clearOutputReports =
        sim<decltype(clearOutputReports)>("SIM_ClearOutputReports");
};

TEST_F(SimulatedDeviceTest, OpensOnlyTheSoundCardWhilePlugged)
{
    EXPECT_EQ(library.vendorId(), kVendorId);
    EXPECT_EQ(library.productId(), kProductId);
    EXPECT_EQ(library.checkDeviceWithId(kVendorId, kProductId), 1);
    EXPECT_EQ(library.findDeviceWithId(kVendorId, 0x1F7E), 0);
    EXPECT_EQ(library.checkDeviceWithId(0x046D, kProductId), 0);

    library.closeDevice();
    EXPECT_EQ(library.vendorId(), 0);
    EXPECT_EQ(library.productId(), 0);
    EXPECT_EQ(send(readRequest()), 0);
    EXPECT_NE(library.findDevice(), 0);
    EXPECT_EQ(library.vendorId(), kVendorId);
}

TEST_F(SimulatedDeviceTest, DeniedDeviceIsPresentButDoesNotOpen)
{
    const auto lastOpenError = sim<decltype(&SNX_GetLastOpenError)>("SNX_GetLastOpenError");
    const auto setAccessDenied = sim<decltype(&SIM_SetAccessDenied)>("SIM_SetAccessDenied");
    ASSERT_NE(lastOpenError, nullptr);
    ASSERT_NE(setAccessDenied, nullptr);
    EXPECT_EQ(lastOpenError(), 0);
    library.closeDevice();
    setAccessDenied(1);
    EXPECT_EQ(library.findDeviceWithId(kVendorId, kProductId), 0);
    EXPECT_EQ(lastOpenError(), EACCES);
    EXPECT_EQ(library.checkDeviceWithId(kVendorId, kProductId), 1) << "still plugged in";
    EXPECT_EQ(library.findDeviceWithId(kVendorId, 0x1F7E), 0);
    EXPECT_EQ(lastOpenError(), ENOENT);
    setAccessDenied(0);
    EXPECT_NE(library.findDeviceWithId(kVendorId, kProductId), 0);
    EXPECT_EQ(lastOpenError(), 0);
}

TEST_F(SimulatedDeviceTest, ReadRequestIsAnsweredWithTheBlock)
{
    ASSERT_EQ(send(readRequest()), 1);
    const auto posted = window.next(5s);
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->message, kMonitorMessage);
    EXPECT_EQ(posted->wParam, SNX_INPUT_REPORT_WPARAM);
    const Words expected{0x00010F00, 0x0000000F, 0x4F15BC2A, 0x2F3ED600};
    EXPECT_EQ(posted->words, expected);
    const Report bytes{0x00, 0x01, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x0F,
                       0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E, 0xD6, 0x00};
    EXPECT_EQ(bytesOf(posted->words), bytes);
}

TEST_F(SimulatedDeviceTest, WriteIsAnsweredWithE0AndTheBlockIsTaken)
{
    ASSERT_EQ(send(blockWrite(kOtherBlock)), 1);
    const auto answer = nextReport();
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)[0], 0x00);
    EXPECT_EQ((*answer)[1], 0xE0);
    EXPECT_EQ(dataOf(*answer), kOtherBlock);
    EXPECT_EQ((*answer)[14], sum(0xE0, kOtherBlock));
    EXPECT_EQ(deviceBlock(), kOtherBlock);

    ASSERT_EQ(send(readRequest()), 1);
    const auto read = nextReport();
    ASSERT_TRUE(read);
    EXPECT_EQ(dataOf(*read), kOtherBlock);
    EXPECT_EQ((*read)[14], sum(0x01, kOtherBlock));
}

TEST_F(SimulatedDeviceTest, AcknowledgementsAndMalformedRequestsAreTakenButNotAnswered)
{
    EXPECT_EQ(send(kAcknowledgement), 1);
    EXPECT_EQ(send(outputReport(0x41, Block{0x01}, 1)), 1);
    EXPECT_EQ(send(outputReport(0x60, kOtherBlock, 1)), 1);
    EXPECT_EQ(send(readRequest(3)), 1);
    EXPECT_EQ(send(outputReport(0x20, kOtherBlock)), 1);
    expectNextIsReadAnswer();
    EXPECT_EQ(deviceBlock(), kFactoryBlock);
    EXPECT_EQ(outputReportCount(), 6);
}

TEST_F(SimulatedDeviceTest, OnlyFullReportsOfAnOpenDeviceAreTaken)
{
    const Report request = readRequest();
    EXPECT_EQ(library.outputReport(request.data(), 15), 0);
    EXPECT_EQ(library.outputReport(request.data(), 64), 0);
    EXPECT_EQ(library.outputReport(nullptr, SNX_REPORT_SIZE), 0);
    EXPECT_EQ(outputReportCount(), 0);
}

TEST_F(SimulatedDeviceTest, SilentDeviceTakesWritesWithoutAnswering)
{
    setAnswerMode(SIM_ANSWER_SILENT);
    ASSERT_EQ(send(blockWrite(kOtherBlock)), 1);
    ASSERT_EQ(send(readRequest()), 1);
    EXPECT_EQ(deviceBlock(), kOtherBlock);
    setAnswerMode(SIM_ANSWER_NORMAL);
    expectNextIsReadAnswer();
}

TEST_F(SimulatedDeviceTest, WrongHeadModeAnswersWithAHeadNobodyExpects)
{
    setAnswerMode(SIM_ANSWER_WRONG_HEAD);
    ASSERT_EQ(send(blockWrite(kOtherBlock)), 1);
    const auto answer = nextReport();
    ASSERT_TRUE(answer);
    EXPECT_NE((*answer)[1], 0xE0);
    EXPECT_NE((*answer)[1], 0x02);
    EXPECT_EQ(dataOf(*answer), kOtherBlock);
    EXPECT_EQ(deviceBlock(), kOtherBlock);
}

TEST_F(SimulatedDeviceTest, WrongChecksumModeAnswersWithTheChecksumOffByOne)
{
    setAnswerMode(SIM_ANSWER_WRONG_CHECKSUM);
    ASSERT_EQ(send(readRequest()), 1);
    const auto answer = nextReport();
    ASSERT_TRUE(answer);
    EXPECT_EQ((*answer)[1], 0x01);
    EXPECT_EQ(dataOf(*answer), kFactoryBlock);
    EXPECT_EQ((*answer)[14], static_cast<std::uint8_t>(sum(0x01, kFactoryBlock) + 1));
}

TEST_F(SimulatedDeviceTest, UnknownAnswerModeKeepsTheCurrentOne)
{
    setAnswerMode(SIM_ANSWER_WRONG_HEAD);
    setAnswerMode(42);
    ASSERT_EQ(send(readRequest()), 1);
    const auto answer = nextReport();
    ASSERT_TRUE(answer);
    EXPECT_NE((*answer)[1], 0x01);
}

TEST_F(SimulatedDeviceTest, InjectedStateReportArrivesAsTheDeviceSendsIt)
{
    setBlock(kOtherBlock.data());
    injectStateReport(kFactoryBlock.data());
    const auto posted = window.next(5s);
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->message, kMonitorMessage);
    EXPECT_EQ(posted->wParam, SNX_INPUT_REPORT_WPARAM);
    const Words expected{0x00020F00, 0x0000000F, 0x4F15BC2A, 0x2F3ED700};
    EXPECT_EQ(posted->words, expected);
    EXPECT_EQ(deviceBlock(), kFactoryBlock);
}

TEST_F(SimulatedDeviceTest, InjectedRawReportIsZeroFilled)
{
    const unsigned char raw[] = {0x00, 0x02, 0x0F};
    injectRawReport(raw, sizeof raw);
    const auto report = nextReport();
    ASSERT_TRUE(report);
    EXPECT_EQ(*report, (Report{0x00, 0x02, 0x0F}));
}

TEST_F(SimulatedDeviceTest, UnpluggingClosesTheDeviceAndDropsItsAnswers)
{
    setAnswerDelayMs(kLongDelayMs);
    ASSERT_EQ(send(readRequest()), 1);
    unplug();
    EXPECT_EQ(isPlugged(), 0);
    EXPECT_EQ(send(readRequest()), 0);
    EXPECT_EQ(outputReportCount(), 1);
    EXPECT_EQ(library.findDeviceWithId(kVendorId, kProductId), 0);
    EXPECT_EQ(library.checkDeviceWithId(kVendorId, kProductId), 0);
    EXPECT_EQ(library.vendorId(), 0);
    library.openHidMonitor(&window);
    injectStateReport(kOtherBlock.data());
    EXPECT_FALSE(window.next(kQuietPeriod));

    plug();
    ASSERT_NE(library.findDevice(), 0);
    library.openHidMonitor(&window);
    setAnswerDelayMs(0);
    expectNextIsReadAnswer();
}

TEST_F(SimulatedDeviceTest, NothingIsPostedAfterTheMonitorCloses)
{
    setAnswerDelayMs(kLongDelayMs);
    ASSERT_EQ(send(readRequest()), 1);
    injectStateReport(kOtherBlock.data());
    library.closeHidMonitor();
    EXPECT_FALSE(window.next(kQuietPeriod));

    ASSERT_EQ(send(readRequest()), 1);
    EXPECT_EQ(outputReportCount(), 2);
    EXPECT_FALSE(window.next(kQuietPeriod));
}

TEST_F(SimulatedDeviceTest, ReportLogKeepsEveryReportInOrder)
{
    const Report write = blockWrite(kOtherBlock);
    ASSERT_EQ(send(readRequest()), 1);
    ASSERT_EQ(send(kAcknowledgement), 1);
    ASSERT_EQ(send(write), 1);
    EXPECT_EQ(loggedReports(), (std::vector<Report>{readRequest(), kAcknowledgement, write}));
    Report beyond{};
    EXPECT_EQ(getOutputReport(3, beyond.data()), 0);
    EXPECT_EQ(getOutputReport(-1, beyond.data()), 0);

    clearOutputReports();
    EXPECT_EQ(outputReportCount(), 0);
    ASSERT_EQ(send(kAcknowledgement), 1);
    EXPECT_EQ(loggedReports(), std::vector<Report>{kAcknowledgement});
}

TEST_F(SimulatedDeviceTest, AnswersKeepTheirOrderWhateverTheirDelay)
{
    setAnswerDelayMs(kLongDelayMs);
    ASSERT_EQ(send(readRequest()), 1);
    setAnswerDelayMs(0);
    ASSERT_EQ(send(blockWrite(kOtherBlock)), 1);
    injectStateReport(kFactoryBlock.data());

    const auto first = nextReport();
    const auto second = nextReport();
    const auto third = nextReport();
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ((*first)[1], 0x01);
    EXPECT_EQ((*second)[1], 0xE0);
    EXPECT_EQ((*third)[1], 0x02);
}

TEST_F(SimulatedDeviceTest, ZeroDelayAnswers)
{
    setAnswerDelayMs(0);
    expectNextIsReadAnswer();
    setAnswerDelayMs(-5);
    expectNextIsReadAnswer();
}

TEST_F(SimulatedDeviceTest, MonitorMessageNumberSetAfterOpeningIsUsed)
{
    library.setMonitorMessage(kMonitorMessage + 1);
    ASSERT_EQ(send(readRequest()), 1);
    const auto posted = window.next(5s);
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->message, kMonitorMessage + 1);
}

TEST_F(SimulatedDeviceTest, ResetRestoresTheFactoryDevice)
{
    setBlock(kOtherBlock.data());
    setAnswerMode(SIM_ANSWER_SILENT);
    setAnswerDelayMs(kLongDelayMs);
    ASSERT_EQ(send(readRequest()), 1);
    unplug();

    reset();
    EXPECT_EQ(isPlugged(), 1);
    EXPECT_EQ(deviceBlock(), kFactoryBlock);
    EXPECT_EQ(outputReportCount(), 0);
    EXPECT_FALSE(window.next(kQuietPeriod));

    ASSERT_NE(library.findDevice(), 0);
    library.openHidMonitor(&window);
    ASSERT_EQ(send(readRequest()), 1);
    const auto answer = nextReport();
    ASSERT_TRUE(answer);
    EXPECT_EQ(dataOf(*answer), kFactoryBlock);
}

TEST_F(SimulatedDeviceTest, StateReportsAtTheConfiguredInterval)
{
    library.closeHidMonitor();
    setenv("ORLENTA_SIM_STATE_REPORT_SECONDS", "0.02", 1);
    library.openHidMonitor(&window);
    unsetenv("ORLENTA_SIM_STATE_REPORT_SECONDS");
    ASSERT_EQ(send(blockWrite(kOtherBlock)), 1);

    std::optional<Report> report;
    while ((report = nextReport()) && (*report)[1] != 0xE0) {
    }
    ASSERT_TRUE(report);
    report = nextReport();
    ASSERT_TRUE(report);
    EXPECT_EQ((*report)[1], 0x02);
    EXPECT_EQ(dataOf(*report), kOtherBlock);
    EXPECT_EQ((*report)[14], sum(0x02, kOtherBlock));
}

TEST_F(SimulatedDeviceTest, SteeringWhileTheDevicePostsIsSafe)
{
    setAnswerDelayMs(0);
    constexpr int kRounds = 200;
    std::thread steering([this] {
        for (int i = 0; i < kRounds; ++i) {
            injectStateReport(kOtherBlock.data());
            setAnswerDelayMs(i % 3);
            Report logged{};
            getOutputReport(0, logged.data());
        }
    });
    for (int i = 0; i < kRounds; ++i)
        ASSERT_EQ(send(readRequest()), 1);
    steering.join();

    int answers = 0;
    int stateReports = 0;
    while (answers + stateReports < 2 * kRounds) {
        const auto report = nextReport();
        ASSERT_TRUE(report);
        ((*report)[1] == 0x01 ? answers : stateReports) += 1;
    }
    EXPECT_EQ(answers, kRounds);
    EXPECT_EQ(stateReports, kRounds);
}

} // namespace
