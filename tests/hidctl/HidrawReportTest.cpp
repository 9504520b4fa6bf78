// SPDX-License-Identifier: GPL-3.0-or-later
// How the hidapi library rebuilds a report as the device sent it from what
// hidraw hands over, and how it packs it into the monitor message's words.
#include "HidrawReport.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

std::vector<unsigned char> counting(std::size_t length, unsigned char first)
{
    std::vector<unsigned char> bytes(length);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

TEST(HidrawReportTest, FullSizeReportIsTakenAsItIs)
{
    const auto raw = counting(16, 0x10);
    const ReportWords::Bytes bytes = HidrawReport::deviceView(raw.data(), raw.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), raw.begin()));
}

TEST(HidrawReportTest, ReportWithoutIdGetsAZeroInFrontAndIsZeroFilled)
{
    const unsigned char raw[] = {0x02, 0x0F, 0x00, 0x00};
    const ReportWords::Bytes bytes = HidrawReport::deviceView(raw, sizeof raw);
    const ReportWords::Bytes expected{0x00, 0x02, 0x0F};
    EXPECT_EQ(bytes, expected);
}

TEST(HidrawReportTest, FifteenByteReportFillsTheReportBehindItsId)
{
    const auto raw = counting(15, 0x01);
    const ReportWords::Bytes bytes = HidrawReport::deviceView(raw.data(), raw.size());
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0x01);
    EXPECT_EQ(bytes[15], 0x0F);
}

TEST(HidrawReportTest, LongReportIsCutBehindItsId)
{
    const auto raw = counting(64, 0x01);
    const ReportWords::Bytes bytes = HidrawReport::deviceView(raw.data(), raw.size());
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0x01);
    EXPECT_EQ(bytes[15], 0x0F);
}

TEST(HidrawReportTest, WordsCarryTheBytesMostSignificantFirst)
{
    const ReportWords::Bytes bytes{0x00, 0x02, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x0F,
                                   0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E, 0xD7, 0x00};
    const ReportWords::Words expected{0x00020F00, 0x0000000F, 0x4F15BC2A, 0x2F3ED700};
    EXPECT_EQ(ReportWords::pack(bytes), expected);
}

} // namespace
