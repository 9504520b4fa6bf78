// SPDX-License-Identifier: GPL-3.0-or-later
// What a user with the card runs first: the panel's card channel and
// monitor window over the hidapi library, with a card behind hidraw (the
// stand-in hidapi, linked into this program; see HidapiLibraryWithCardTest).
#include "CardChannel.h"
#include "HidControlLibrary.h"
#include "HidrawCard.h"
#include "MonitorWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

using Block = Microcontroller::Block;
using Bytes = HidrawCard::Bytes;

constexpr unsigned kMonitorMessage = 1124;
constexpr std::uint8_t kParameterKey = 0x20;
constexpr Block kFactoryBlock{0x0F, 0x0F, 0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E};
constexpr Block kNewPresetBlock{0x0F, 0x0F, 0x4F, 0x15, 0xBC, 0x2C, 0x2C, 0x3E};

class ChannelWithCardTest : public testing::Test {
protected:
    void SetUp() override
    {
        card.reset();
        ASSERT_TRUE(library.load(ORLENTA_STAGE_DIR "/NUVAUDIOCTL.so")) << library.loadError();
        ASSERT_NE(library.findDeviceWithId(0x0C45, 0x1F7D), 0);
        library.openHidMonitor(monitor.window());
        library.setMonitorMessage(kMonitorMessage);
        channel.setConnected(true);
        channel.setStateReportHandler(
            [this](const CardFrame::Data &data) { stateReports.push_back(data); });
    }

    void TearDown() override { library.unload(); }

    HidrawCard &card = HidrawCard::instance();
    HidControlLibrary library;
    CardChannel channel{[this](const unsigned char *report, int length) {
        return library.outputReport(report, length);
    }};
    MonitorWindow monitor{[this](unsigned message, std::uintptr_t wParam, const auto &words) {
        if (message == kMonitorMessage)
            channel.onMonitorMessage(wParam, words);
    }};
    std::vector<CardFrame::Data> stateReports;
};

TEST_F(ChannelWithCardTest, BlockWriteIsAnsweredThenTheCardIsReleased)
{
    card.setBlock(kNewPresetBlock);
    CardFrame frame(CardFrame::kParameterWriteHead, kFactoryBlock);

    EXPECT_EQ(channel.SendCommandJY(kParameterKey, frame), CardChannel::Result::Answered);
    EXPECT_EQ(card.block(), kFactoryBlock);
    const Bytes command{0x00, 0x60, 0x00, 0x00, 0x0C, 0x45, 0x0F, 0x0F,
                        0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E, 0x35};
    EXPECT_EQ(card.receivedReports(), (std::vector<Bytes>{command, Bytes(15, 0x00)}));
}

TEST_F(ChannelWithCardTest, ReadDeliversTheCardsBlock)
{
    card.setBlock(kNewPresetBlock);
    CardFrame request = CardFrame::readRequest(1);

    EXPECT_EQ(channel.RecvCommandJY(1, request), CardChannel::Result::Answered);
    EXPECT_EQ(channel.capturedAnswer().head(), 0x01);
    EXPECT_EQ(channel.capturedAnswer().data(), kNewPresetBlock);
}

TEST_F(ChannelWithCardTest, StateReportOfTheCardReachesItsHandler)
{
    card.sendStateReport(kNewPresetBlock);
    QElapsedTimer timer;
    timer.start();
    while (stateReports.empty() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(stateReports, (std::vector<CardFrame::Data>{kNewPresetBlock}));
}

} // namespace
