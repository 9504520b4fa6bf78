// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardFrame.h"
#include "InputReport.h"

#include <gtest/gtest.h>

using Report = CardFrame::Report;

TEST(CardFrame, ParameterWriteGoesOutWithVendorBytesAndChecksum)
{
    CardFrame frame(0x60, {0x0F, 0x0F, 0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E});
    frame.writeChecksum();
    EXPECT_EQ(frame.checksum(), 0x35);
    EXPECT_EQ(frame.outputReport(), (Report{0x00, 0x00, 0x60, 0x00, 0x00, 0x0C, 0x45, 0x0F, 0x0F,
                                            0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E, 0x35}));
}

TEST(CardFrame, ReadRequestForIndexOne)
{
    const CardFrame frame = CardFrame::readRequest(1);
    EXPECT_EQ(frame.outputReport(), (Report{0x00, 0x00, 0x41, 0x00, 0x00, 0x0C, 0x45, 0x01, 0x00,
                                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x42}));
}

TEST(InputReport, StateReportWordsCarryTheBytesMostSignificantFirst)
{
    const InputReport::Words words{0x00020F00, 0x0000000F, 0x4F15BC2A, 0x2F3ED700};
    const InputReport report = InputReport::fromWords(words);
    EXPECT_EQ(report.bytes(), (Report{0x00, 0x02, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x0F, 0x4F, 0x15,
                                      0xBC, 0x2A, 0x2F, 0x3E, 0xD7, 0x00}));
    EXPECT_TRUE(report.isStateReport());
    EXPECT_EQ(report.data(), (CardFrame::Data{0x0F, 0x0F, 0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E}));
}

TEST(InputReport, OnlyHeadTwoWithAValidChecksumIsAStateReport)
{
    Report bytes{0x00, 0x02, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x0F,
                 0x4F, 0x15, 0xBC, 0x2A, 0x2F, 0x3E, 0xD8, 0x00};
    EXPECT_FALSE(InputReport(bytes).isStateReport()) << "checksum off by one";
    bytes[1] = 0x01;
    bytes[14] = 0xD6;
    EXPECT_TRUE(InputReport(bytes).checksumValid());
    EXPECT_FALSE(InputReport(bytes).isStateReport()) << "a read answer";
    // Bytes 0, 3-6 and 15 are outside the checksum and the data.
    bytes[0] = bytes[3] = bytes[6] = bytes[15] = 0xAA;
    EXPECT_TRUE(InputReport(bytes).checksumValid());
}

TEST(InputReport, CapturedAnswerKeepsHeadDataAndChecksumInFrameOrder)
{
    const Report bytes{0x00, 0xE0, 0x01, 0x00, 0x00, 0x00, 0x00, 0x02,
                       0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x99, 0x00};
    const CardFrame answer = InputReport(bytes).asFrame();
    EXPECT_EQ(answer.bytes(),
              (CardFrame::Bytes{0xE0, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x99}));
}
