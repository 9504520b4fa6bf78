// SPDX-License-Identifier: GPL-3.0-or-later
// The hidapi library on a machine without the device: every call must be
// safe in any order and report failure, and unloading must clean up.
#include "RecordingWindow.h"
#include "SnxLibrary.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>
#include <vector>

namespace {

constexpr unsigned short kVendorId = 0x0C45;
constexpr unsigned short kProductId = 0x1F7D;
constexpr unsigned kMonitorMessage = 1124;

const unsigned char kReadRequest[SNX_REPORT_SIZE] = {0x00, 0x00, 0x41, 0x00, 0x00, 0x0C, 0x45, 0x01,
                                                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x42};

class HidapiLibraryTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(library.complete()) << library.error(); }

    // Loaded and unloaded for every test, so each one also checks that the
    // library starts and ends hidapi cleanly.
    SnxLibrary library{ORLENTA_STAGE_DIR "/NUVAUDIOCTL.so"};
    RecordingWindow window;
};

TEST_F(HidapiLibraryTest, FindsNothingWithoutTheDevice)
{
    EXPECT_EQ(library.findDeviceWithId(kVendorId, kProductId), 0);
    EXPECT_EQ(library.findDevice(), 0);
    EXPECT_EQ(library.checkDeviceWithId(kVendorId, kProductId), 0);
    EXPECT_EQ(library.vendorId(), 0);
    EXPECT_EQ(library.productId(), 0);
    const auto lastOpenError =
        library.symbol<decltype(&SNX_GetLastOpenError)>("SNX_GetLastOpenError");
    ASSERT_NE(lastOpenError, nullptr);
    EXPECT_EQ(lastOpenError(), ENOENT) << "no device, not a refused one";
}

TEST_F(HidapiLibraryTest, OutputReportsFailWithoutTheDevice)
{
    EXPECT_EQ(library.outputReport(kReadRequest, SNX_REPORT_SIZE), 0);
    EXPECT_EQ(library.outputReport(kReadRequest, 1), 0);
    EXPECT_EQ(library.outputReport(kReadRequest, 0), 0);
    EXPECT_EQ(library.outputReport(kReadRequest, -1), 0);
    EXPECT_EQ(library.outputReport(kReadRequest, 65), 0);
    EXPECT_EQ(library.outputReport(nullptr, SNX_REPORT_SIZE), 0);
}

TEST_F(HidapiLibraryTest, MonitorAndCloseCallsAreSafeInAnyOrderAndRepeated)
{
    library.closeHidMonitor();
    library.closeDevice();
    library.openHidMonitor(&window);
    library.setMonitorMessage(kMonitorMessage);
    library.openHidMonitor(&window);
    library.openHidMonitor(nullptr);
    library.closeDevice();
    library.closeHidMonitor();
    library.closeHidMonitor();
    library.setMonitorMessage(kMonitorMessage);
    library.openHidMonitor(&window);
    EXPECT_EQ(library.findDeviceWithId(kVendorId, kProductId), 0);
    library.closeDevice();
    library.closeDevice();
    EXPECT_EQ(library.outputReport(kReadRequest, SNX_REPORT_SIZE), 0);
    EXPECT_EQ(window.waiting(), 0u);
}

TEST_F(HidapiLibraryTest, CallsFromSeveralThreadsAtOnceAreSafe)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this] {
            for (int i = 0; i < 25; ++i) {
                library.findDeviceWithId(kVendorId, kProductId);
                library.openHidMonitor(&window);
                library.setMonitorMessage(kMonitorMessage);
                library.outputReport(kReadRequest, SNX_REPORT_SIZE);
                library.closeHidMonitor();
                library.closeDevice();
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(library.vendorId(), 0);
    EXPECT_EQ(window.waiting(), 0u);
}

} // namespace
