// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaveHeader.h"

#include "WaveTestFiles.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// What the player finds in a file of these bytes.
std::optional<WaveHeader> readBytes(const std::vector<std::uint8_t> &header,
                                    const std::vector<std::uint8_t> &pcm)
{
    const int fd = ::memfd_create("wave", MFD_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::write(fd, header.data(), header.size()), ssize_t(header.size()));
    EXPECT_EQ(::write(fd, pcm.data(), pcm.size()), ssize_t(pcm.size()));
    std::optional<WaveHeader> found = WaveHeader::read(fd);
    ::close(fd);
    return found;
}

TEST(WaveHeaderTest, TheRecordersFormHoldsTheEighteenByteFormatBlockAndBothSizes)
{
    const std::array<std::uint8_t, 46> expected = {
        'R', 'I', 'F', 'F', 0x0e, 0x04, 0x00, 0x00, 'W',  'A',  'V',  'E',  'f',  'm',  't',  ' ',
        18,  0,   0,   0,   1,    0,    2,    0,    0x44, 0xac, 0x00, 0x00, 0x10, 0xb1, 0x02, 0x00,
        4,   0,   16,  0,   18,   0,    'd',  'a',  't',  'a',  0xe8, 0x03, 0x00, 0x00};
    const WaveHeader header{PcmFormat{}, WaveHeader::kSize, 1000};
    EXPECT_EQ(header.bytes(), expected);
    EXPECT_TRUE(WaveHeader{}.sameForm(expected));
    EXPECT_FALSE((WaveHeader{PcmFormat{2, 16, 48000}}.sameForm(expected)));
    EXPECT_EQ(WaveHeader::countedData(expected), 1000u);
    EXPECT_EQ(WaveHeader::countedRiff(expected), 1038u);
}

TEST(WaveHeaderTest, CountsStayOnWholeFramesBelowWhatAHeaderCanHold)
{
    // The cap is no whole number of frames: the count stays on a frame.
    const PcmFormat stereo16;
    EXPECT_EQ(WaveHeader::wholeFrames(stereo16, std::uint64_t(1) << 33), 4294967256u);
    EXPECT_EQ(WaveHeader::wholeFrames(stereo16, WaveHeader::kMaxDataBytes), 4294967256u);
    EXPECT_EQ(WaveHeader::wholeFrames(stereo16, 4294967259u), 4294967256u);
    EXPECT_EQ(WaveHeader::wholeFrames(stereo16, 4294967255u), 4294967252u);
    EXPECT_EQ(WaveHeader::wholeFrames(stereo16, 7), 4u);
}

TEST(WaveHeaderTest, ReadingFindsTheDataOfARecorderTakeAndTrustsOnlyWhatIsThere)
{
    std::optional<WaveHeader> found =
        readBytes(WaveTestFiles::header(264600), WaveTestFiles::tone(1.5));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->format, PcmFormat{});
    EXPECT_EQ(found->dataOffset, 46u);
    EXPECT_EQ(found->dataBytes, 264600u);
    EXPECT_EQ(found->lengthMs(), 1500u);
    EXPECT_EQ(found->byteAt(1000), 176400u);
    EXPECT_EQ(found->byteAt(1), 176u); // lowered to a whole frame
    EXPECT_EQ(found->byteAt(9000), 264600u);

    // A header that claims ten minutes over half a second of audio, plus a stray byte.
    std::vector<std::uint8_t> pcm = WaveTestFiles::tone(0.5);
    pcm.push_back(0);
    found = readBytes(WaveTestFiles::header(105840000), pcm);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->dataBytes, 88200u);
    EXPECT_EQ(found->lengthMs(), 500u);

    std::vector<std::uint8_t> truncated = WaveTestFiles::header(100);
    truncated.resize(30);
    EXPECT_FALSE(readBytes(truncated, {}));
    EXPECT_FALSE(readBytes(std::vector<std::uint8_t>(46, 'x'), pcm));
    // Rates that disagree with channels and bits are no format to play.
    std::vector<std::uint8_t> wrongRate = WaveTestFiles::header(4);
    wrongRate[28] = 0;
    EXPECT_FALSE(readBytes(wrongRate, {0, 0, 0, 0}));
}

} // namespace
