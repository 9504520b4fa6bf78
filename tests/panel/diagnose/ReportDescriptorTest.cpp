// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a report descriptor as the card (or a card not quite like it)
// declares its interface.
#include "ReportDescriptor.h"
#include "FakeSystemTree.h"

#include <gtest/gtest.h>

namespace {

TEST(ReportDescriptorTest, TheCardsControlInterface)
{
    const ReportDescriptor descriptor = ReportDescriptor::parse(FakeSystemTree::cardDescriptor());
    EXPECT_EQ(descriptor.usagePage(), 0xFF00u);
    EXPECT_EQ(descriptor.usage(), 1u);
    EXPECT_TRUE(descriptor.reportIds().empty());
    EXPECT_EQ(descriptor.inputReportBytes(), 15u);
    EXPECT_EQ(descriptor.outputReportBytes(), 15u);
}

TEST(ReportDescriptorTest, NumberedReportsAreCountedByIdWithoutTheIdByte)
{
    // A keyboard-like page with two input reports (ids 1 and 2) and a pushed
    // report size that a pop restores.
    const std::vector<std::uint8_t> bytes{
        0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01,             // consumer control collection
        0x85, 0x01, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, // id 1: 2 bytes in
        0xA4, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0xB4, // 3 bits more, then pop
        0x85, 0x02, 0x95, 0x04, 0x81, 0x00,             // id 2: 4 × 16 bits in
        0x95, 0x02, 0x91, 0x00, 0xC0};                  // id 2: 2 × 16 bits out
    const ReportDescriptor descriptor = ReportDescriptor::parse(bytes);
    EXPECT_EQ(descriptor.usagePage(), 0x0Cu);
    EXPECT_EQ(descriptor.reportIds(), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(descriptor.inputReportBytes(), 8u);
    EXPECT_EQ(descriptor.outputReportBytes(), 4u);
}

TEST(ReportDescriptorTest, ItemsCutShortOrLongAreSkippedNotReadBeyond)
{
    std::vector<std::uint8_t> bytes = FakeSystemTree::cardDescriptor();
    bytes.insert(bytes.begin(), {0xFE, 0x02, 0x10, 0xAA, 0xBB}); // a long item
    bytes.push_back(0x27); // a four-byte logical maximum with one byte left
    bytes.push_back(0x01);
    const ReportDescriptor descriptor = ReportDescriptor::parse(bytes);
    EXPECT_EQ(descriptor.usagePage(), 0xFF00u);
    EXPECT_EQ(descriptor.inputReportBytes(), 15u);

    EXPECT_EQ(ReportDescriptor::parse(nullptr, 4).inputReportBytes(), 0u);
}

} // namespace
