// SPDX-License-Identifier: GPL-3.0-or-later
// The hidapi library end to end against a card behind hidraw. This program
// links the stand-in hidapi, which carries hidapi's soname; the dynamic loader
// takes an already loaded library of that soname for the library's own
// dependency, so the library loaded below talks to the stand-in card.
#include "HidrawCard.h"
#include "RecordingWindow.h"
#include "SnxLibrary.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Words = std::array<std::uint32_t, 4>;
using Bytes = HidrawCard::Bytes;
using Block = Microcontroller::Block;

constexpr unsigned short kVendorId = 0x0C45;
constexpr unsigned short kProductId = 0x1F7D;
constexpr unsigned kMonitorMessage = 1124;
constexpr Block kFactoryBlock{0x0F, 0x0F, 0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E};
constexpr Block kNewPresetBlock{0x0F, 0x0F, 0x4F, 0x15, 0xBC, 0x2C, 0x2C, 0x3E};

const unsigned char kFactoryWrite[SNX_REPORT_SIZE] = {
    0x00, 0x00, 0x60, 0x00, 0x00, 0x0C, 0x45, 0x0F, 0x0F, 0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E, 0x35};
const unsigned char kReadRequest[SNX_REPORT_SIZE] = {
    0x00, 0x00, 0x41, 0x00, 0x00, 0x0C, 0x45, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x42};
const unsigned char kAcknowledgement[SNX_REPORT_SIZE] = {};

// Answer to the factory write: head E0, the block, checksum B5.
constexpr Words kFactoryWriteAnswer{0x00E00F00, 0x0000000F, 0x4F15BC2A, 0x2F3EB500};
// Answer to the read request while the card holds the new-preset block.
constexpr Words kNewPresetReadAnswer{0x00010F00, 0x0000000F, 0x4F15BC2C, 0x2C3ED500};
// State report carrying the factory block.
constexpr Words kFactoryStateReport{0x00020F00, 0x0000000F, 0x4F15BC2A, 0x2F3ED700};

// What goes over the wire for a report whose id byte is 0.
Bytes wireBytes(const unsigned char (&report)[SNX_REPORT_SIZE])
{
    return Bytes(std::begin(report) + 1, std::end(report));
}

// The library's reader is the only thread it starts.
std::size_t threadCount()
{
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/task"), {}));
}

bool awaitThreadCount(std::size_t count)
{
    for (int i = 0; i < 2000 && threadCount() != count; ++i)
        std::this_thread::sleep_for(5ms);
    return threadCount() == count;
}

class HidapiLibraryWithCardTest : public testing::Test {
protected:
    void SetUp() override
    {
        card.reset();
        library = std::make_unique<SnxLibrary>(ORLENTA_STAGE_DIR "/NUVAUDIOCTL.so");
        ASSERT_TRUE(library->complete()) << library->error();
        threadsBefore = threadCount();
    }

    void TearDown() override { library.reset(); }

    // As the panel opens the device: find, monitor, then its message.
    void openWithMonitor()
    {
        ASSERT_EQ(library->findDeviceWithId(kVendorId, kProductId), 1);
        library->openHidMonitor(&window);
        library->setMonitorMessage(kMonitorMessage);
    }

    int lastOpenError() const
    {
        const auto lastError =
            library->symbol<decltype(&SNX_GetLastOpenError)>("SNX_GetLastOpenError");
        return lastError ? lastError() : -1;
    }

    // The words of the next report posted to the window.
    Words nextReport()
    {
        const auto message = window.next();
        if (!message) {
            ADD_FAILURE() << "no report was posted";
            return {};
        }
        EXPECT_EQ(message->message, kMonitorMessage);
        EXPECT_EQ(message->wParam, SNX_INPUT_REPORT_WPARAM);
        return message->words;
    }

    HidrawCard &card = HidrawCard::instance();
    RecordingWindow window;
    std::unique_ptr<SnxLibrary> library;
    std::size_t threadsBefore = 0;
};

TEST_F(HidapiLibraryWithCardTest, FindsOpensAndClosesTheCardsInterface)
{
    EXPECT_EQ(library->checkDeviceWithId(kVendorId, kProductId), 1);
    EXPECT_EQ(library->checkDeviceWithId(kVendorId, 0x1234), 0);
    EXPECT_EQ(library->findDeviceWithId(kVendorId, 0x1234), 0);
    EXPECT_EQ(card.openFiles(), 0);

    ASSERT_EQ(library->findDeviceWithId(kVendorId, kProductId), 1);
    EXPECT_EQ(library->vendorId(), kVendorId);
    EXPECT_EQ(library->productId(), kProductId);
    EXPECT_EQ(card.openFiles(), 1);
    EXPECT_EQ(lastOpenError(), 0);
    // Finding again replaces the open device rather than adding one.
    ASSERT_EQ(library->findDevice(), 1);
    EXPECT_EQ(card.openFiles(), 1);

    library->closeDevice();
    EXPECT_EQ(card.openFiles(), 0);
    EXPECT_EQ(library->vendorId(), 0);
    card.unplug();
    EXPECT_EQ(library->findDeviceWithId(kVendorId, kProductId), 0);
    EXPECT_EQ(lastOpenError(), ENOENT);
}

TEST_F(HidapiLibraryWithCardTest, WriteGoesOutWithoutItsReportIdAndTheAnswerIsPosted)
{
    card.setBlock(kNewPresetBlock);
    openWithMonitor();

    EXPECT_EQ(library->outputReport(kFactoryWrite, SNX_REPORT_SIZE), 1);
    EXPECT_EQ(nextReport(), kFactoryWriteAnswer);
    EXPECT_EQ(card.block(), kFactoryBlock);

    EXPECT_EQ(library->outputReport(kAcknowledgement, SNX_REPORT_SIZE), 1);
    EXPECT_EQ(card.receivedReports(),
              (std::vector<Bytes>{wireBytes(kFactoryWrite), wireBytes(kAcknowledgement)}));
}

TEST_F(HidapiLibraryWithCardTest, ReadRequestIsAnsweredWithTheCardsBlock)
{
    card.setBlock(kNewPresetBlock);
    openWithMonitor();

    EXPECT_EQ(library->outputReport(kReadRequest, SNX_REPORT_SIZE), 1);
    EXPECT_EQ(nextReport(), kNewPresetReadAnswer);
}

TEST_F(HidapiLibraryWithCardTest, ReportsTheCardSendsOfItsOwnAccordArriveInOrder)
{
    openWithMonitor();

    card.sendStateReport(kFactoryBlock);
    card.sendInputReport({0x01, 0x02});
    EXPECT_EQ(nextReport(), kFactoryStateReport);
    EXPECT_EQ(nextReport(), (Words{0x00010200, 0, 0, 0}));
}

TEST_F(HidapiLibraryWithCardTest, OutputReportsTooShortForHidrawFail)
{
    openWithMonitor();

    EXPECT_EQ(library->outputReport(kReadRequest, 1), 0);
    EXPECT_TRUE(card.receivedReports().empty());
}

TEST_F(HidapiLibraryWithCardTest, UnplugDuringAReadEndsTheReaderAndLaterCallsFail)
{
    openWithMonitor();
    ASSERT_TRUE(card.awaitReader());
    EXPECT_EQ(threadCount(), threadsBefore + 1);

    card.unplug();
    EXPECT_TRUE(awaitThreadCount(threadsBefore)) << "the reader keeps running on a dead device";
    EXPECT_EQ(library->outputReport(kFactoryWrite, SNX_REPORT_SIZE), 0);
    EXPECT_EQ(library->checkDeviceWithId(kVendorId, kProductId), 0);
    EXPECT_EQ(library->findDeviceWithId(kVendorId, kProductId), 0);
    EXPECT_EQ(window.waiting(), 0u);
    EXPECT_TRUE(card.receivedReports().empty());
}

TEST_F(HidapiLibraryWithCardTest, UnplugDuringAWriteFailsTheWrite)
{
    openWithMonitor();
    card.holdWrites(true);
    int written = -1;
    std::thread writer([&] { written = library->outputReport(kFactoryWrite, SNX_REPORT_SIZE); });
    ASSERT_TRUE(card.awaitWriter());

    card.unplug();
    writer.join();
    EXPECT_EQ(written, 0);
    EXPECT_TRUE(card.receivedReports().empty());
    EXPECT_TRUE(awaitThreadCount(threadsBefore));
}

TEST_F(HidapiLibraryWithCardTest, AfterRemovalAndReplugTheCardWorksAgain)
{
    openWithMonitor();
    card.unplug();
    // What the panel does on the removal notice.
    library->closeHidMonitor();
    library->closeDevice();
    EXPECT_EQ(card.openFiles(), 0);
    EXPECT_EQ(threadCount(), threadsBefore);

    card.plug();
    openWithMonitor();
    EXPECT_EQ(library->outputReport(kFactoryWrite, SNX_REPORT_SIZE), 1);
    EXPECT_EQ(nextReport(), kFactoryWriteAnswer);
}

TEST_F(HidapiLibraryWithCardTest, CloseStopsTheReaderAndReopenStartsOne)
{
    openWithMonitor();
    ASSERT_TRUE(card.awaitReader());

    library->closeHidMonitor();
    EXPECT_EQ(threadCount(), threadsBefore);
    EXPECT_EQ(card.readsWaiting(), 0);
    library->closeDevice();
    EXPECT_EQ(card.openFiles(), 0);

    openWithMonitor();
    // Opening the monitor again replaces the reader rather than adding one.
    library->openHidMonitor(&window);
    EXPECT_EQ(threadCount(), threadsBefore + 1);
    card.sendStateReport(kFactoryBlock);
    EXPECT_EQ(nextReport(), kFactoryStateReport);
    EXPECT_EQ(window.waiting(), 0u);
}

TEST_F(HidapiLibraryWithCardTest, UnloadingWhileTheReaderWaitsStopsItAndReleasesHidapi)
{
    openWithMonitor();
    ASSERT_TRUE(card.awaitReader());

    library.reset();
    EXPECT_EQ(threadCount(), threadsBefore);
    EXPECT_EQ(card.openFiles(), 0);
    EXPECT_EQ(card.initCount(), 1);
    EXPECT_EQ(card.exitCount(), 1);
}

TEST_F(HidapiLibraryWithCardTest, RefusedOpenFindsNothingAndKeepsTheOpenDevice)
{
    card.refuseOpens(EACCES);
    EXPECT_EQ(library->checkDeviceWithId(kVendorId, kProductId), 1);
    EXPECT_EQ(library->findDeviceWithId(kVendorId, kProductId), 0);
    EXPECT_EQ(lastOpenError(), EACCES) << "the panel would not point at the udev rule";
    EXPECT_EQ(library->vendorId(), 0);
    EXPECT_EQ(library->outputReport(kFactoryWrite, SNX_REPORT_SIZE), 0);

    card.refuseOpens(0);
    openWithMonitor();
    card.refuseOpens(EACCES);
    EXPECT_EQ(library->findDeviceWithId(kVendorId, kProductId), 0);
    EXPECT_EQ(card.openFiles(), 1);
    EXPECT_EQ(library->vendorId(), kVendorId);
    EXPECT_EQ(library->outputReport(kFactoryWrite, SNX_REPORT_SIZE), 1);
    EXPECT_EQ(nextReport(), kFactoryWriteAnswer);
}

// Cards not quite like the one expected: read where the bytes allow it,
// refused where the card refuses, never stuck.
TEST_F(HidapiLibraryWithCardTest, LongerReportsAreReadFromTheirFirstBytes)
{
    card.setInputReportLength(64);
    openWithMonitor();

    EXPECT_EQ(library->outputReport(kFactoryWrite, SNX_REPORT_SIZE), 1);
    EXPECT_EQ(nextReport(), kFactoryWriteAnswer);
}

TEST_F(HidapiLibraryWithCardTest, CardThatNumbersItsReportsIsHeardButRefusesUnnumberedOnes)
{
    card.setReportId(5);
    openWithMonitor();

    EXPECT_EQ(library->outputReport(kFactoryWrite, SNX_REPORT_SIZE), 0);
    EXPECT_TRUE(card.receivedReports().empty());
    card.sendStateReport(kFactoryBlock);
    EXPECT_EQ(nextReport(), (Words{0x05020F00, 0x0000000F, 0x4F15BC2A, 0x2F3ED700}))
        << "the id takes the byte the card leaves unused";

    unsigned char numbered[SNX_REPORT_SIZE];
    std::copy(std::begin(kFactoryWrite), std::end(kFactoryWrite), numbered);
    numbered[0] = 5;
    EXPECT_EQ(library->outputReport(numbered, SNX_REPORT_SIZE), 1);
    EXPECT_EQ(nextReport(), (Words{0x05E00F00, 0x0000000F, 0x4F15BC2A, 0x2F3EB500}));
}

TEST_F(HidapiLibraryWithCardTest, ControlInterfaceIsOpenedBeforeASilentOneListedFirst)
{
    card.addSilentInterface(0x000C, true);
    const auto list = library->symbol<decltype(&SNX_ListInterfaces)>("SNX_ListInterfaces");
    ASSERT_NE(list, nullptr);
    SnxInterface interfaces[4];
    ASSERT_EQ(list(kVendorId, kProductId, interfaces, 4), 2);
    EXPECT_STREQ(interfaces[0].path, HidrawCard::kPath);
    EXPECT_EQ(interfaces[0].interfaceNumber, HidrawCard::kInterfaceNumber);
    EXPECT_EQ(interfaces[0].usagePage, HidrawCard::kUsagePage);
    EXPECT_STREQ(interfaces[1].path, HidrawCard::kSilentPath);

    openWithMonitor();
    EXPECT_EQ(library->outputReport(kFactoryWrite, SNX_REPORT_SIZE), 1);
    EXPECT_EQ(nextReport(), kFactoryWriteAnswer);
    EXPECT_EQ(card.silentWrites(), 0);
}

TEST_F(HidapiLibraryWithCardTest, SilentInterfaceOpenedFirstAnswersNothingAndHoldsNothingUp)
{
    card.addSilentInterface(HidrawCard::kUsagePage, true);
    openWithMonitor();
    ASSERT_TRUE(card.awaitReader());

    EXPECT_EQ(library->outputReport(kFactoryWrite, SNX_REPORT_SIZE), 1);
    EXPECT_EQ(card.silentWrites(), 1);
    EXPECT_FALSE(window.next(300ms)) << "a silent interface posted a report";
    library->closeHidMonitor();
    library->closeDevice();
    EXPECT_EQ(threadCount(), threadsBefore);
    EXPECT_EQ(card.openFiles(), 0);
}

} // namespace
