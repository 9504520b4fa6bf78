// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputMeter.h"
#include "CaptureLevel.h"
#include "Pcm.h"

#include <gtest/gtest.h>

namespace {

TEST(CaptureLevelTest, PeaksAreFractionsOfFullScaleAndFullScaleClips)
{
    const PcmFormat stereo;
    const auto half = Pcm::sine(0.1, 1000.0, 44100, 0.5);
    CaptureLevel level = CaptureLevel::measure(half.data(), half.size(), stereo);
    EXPECT_NEAR(level.peak[0], 0.5, 0.001);
    EXPECT_NEAR(level.peak[1], 0.5, 0.001);
    EXPECT_FALSE(level.clipped[0] || level.clipped[1]);

    // Full scale on the left only, either side of zero.
    const std::vector<std::uint8_t> frames = {0xff, 0x7f, 0x00, 0x00, 0x00, 0x80, 0x10, 0x00};
    level.merge(CaptureLevel::measure(frames.data(), frames.size(), stereo));
    EXPECT_TRUE(level.clipped[0]);
    EXPECT_FALSE(level.clipped[1]);
    EXPECT_FLOAT_EQ(level.peak[0], 1.0f);
    EXPECT_NEAR(level.peak[1], 0.5, 0.001);

    const std::vector<std::uint8_t> mono = {0x00, 0x40};
    level = CaptureLevel::measure(mono.data(), mono.size(), PcmFormat{1, 16, 44100});
    EXPECT_FLOAT_EQ(level.peak[1], 0.5f) << "mono is both channels";
    EXPECT_EQ(CaptureLevel::measure(nullptr, 0, stereo), CaptureLevel{});
}

TEST(InputMeterTest, PeaksHoldBrieflyClipMarksStayUntilClearedAndSilenceIsMinusInfinity)
{
    InputMeter meter;
    EXPECT_FALSE(meter.hasInput());
    EXPECT_EQ(meter.loudestText(), "-inf");
    meter.show({{0.5f, 0.25f}, {false, true}}, 0);
    EXPECT_TRUE(meter.hasInput());
    EXPECT_NEAR(meter.peakDb(0), -6.02, 0.01);
    EXPECT_EQ(meter.loudestText(), "-6.0");
    meter.show({{0.1f, 0.1f}, {false, false}}, 1000);
    EXPECT_NEAR(meter.heldDb(0), -6.02, 0.01) << "held";
    EXPECT_NEAR(meter.peakDb(0), -20.0, 0.01);
    EXPECT_TRUE(meter.clipped(1)) << "until cleared";
    meter.show({{0.1f, 0.1f}, {false, false}}, 1000 + InputMeter::kHoldMs);
    EXPECT_NEAR(meter.heldDb(0), -20.0, 0.01) << "the hold is over";
    meter.clearClip();
    EXPECT_FALSE(meter.clipped(1));
    meter.show({{0.0f, 0.0f}, {false, false}}, 5000);
    EXPECT_EQ(meter.loudestText(), "-inf");
    EXPECT_EQ(InputMeter::fractionOf(-60.0), 0.0);
    EXPECT_EQ(InputMeter::fractionOf(-30.0), 0.5);
    EXPECT_EQ(InputMeter::fractionOf(0.0), 1.0);
    meter.setInput(false);
    EXPECT_FALSE(meter.hasInput());
}

} // namespace
