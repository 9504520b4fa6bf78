// SPDX-License-Identifier: GPL-3.0-or-later
// A channel without time budgets, as the fuzz targets drive it: an exchange
// takes only the answer that comes with its request and never runs the event
// loop, so nothing else can happen during it.
#include "CardChannel.h"
#include "ParameterBlock.h"

#include <QTimer>

#include <gtest/gtest.h>

namespace {

// The answer to a factory-block write: head E0, the block, checksum B5.
constexpr InputReport::Words kFactoryWriteAnswer{0x00E00F00, 0x0000000F, 0x4F15BC2A, 0x2F3EB500};
constexpr std::uint8_t kParameterKey = 0x20;

TEST(CardChannelWithoutWaitTest, ExchangesRunNoEventLoopAnsweredOrNot)
{
    const CardChannel::Timing instant{{}, {}, {}, {}};
    bool eventRan = false;
    QTimer::singleShot(0, [&] { eventRan = true; });
    CardChannel *self = nullptr;
    bool answer = false;
    int sent = 0;
    CardChannel channel(
        [&](const unsigned char *report, int) {
            ++sent;
            if (answer && report[2] == CardFrame::kParameterWriteHead)
                self->onMonitorMessage(254, kFactoryWriteAnswer);
            return 1;
        },
        instant);
    self = &channel;
    CardFrame frame(CardFrame::kParameterWriteHead, ParameterBlock::factory().bytes());

    EXPECT_EQ(channel.SendCommandJY(kParameterKey, frame), CardChannel::Result::Failed);
    EXPECT_EQ(sent, 2);
    answer = true;
    EXPECT_EQ(channel.SendCommandJY(kParameterKey, frame), CardChannel::Result::Answered);
    EXPECT_EQ(channel.capturedAnswer().head(), 0xE0);
    EXPECT_EQ(sent, 4);
    EXPECT_FALSE(eventRan);
}

} // namespace
