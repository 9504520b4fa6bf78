// SPDX-License-Identifier: GPL-3.0-or-later
#include "Mp3EncoderConfig.h"
#include "Mp3EncoderLibrary.h"

#include <gtest/gtest.h>

#include <map>

namespace {

std::map<std::size_t, std::uint32_t> nonZeroWords(const Mp3EncoderConfig &record)
{
    std::map<std::size_t, std::uint32_t> words;
    const auto &b = record.bytes();
    for (std::size_t at = 0; at < b.size(); ++at) {
        if (b[at] != 0)
            words[at & ~std::size_t(3)] = 0;
    }
    for (auto &[at, value] : words)
        value = b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
    return words;
}

TEST(Mp3EncoderConfig, StereoRecordHoldsExactlyTheListedFields)
{
    const auto record = Mp3EncoderConfig::forOutput(2, 44100);
    const std::map<std::size_t, std::uint32_t> expected = {
        {0, 256}, {4, 1},  {8, 331}, {12, 44100}, {20, 1}, {24, 320},
        {36, 1},  {60, 1}, {64, 1},  {84, 1}};
    EXPECT_EQ(nonZeroWords(record), expected);
    EXPECT_EQ(record.bytes().size(), 331u);
}

TEST(Mp3EncoderConfig, OneChannelAsksForMono)
{
    EXPECT_EQ(Mp3EncoderConfig::forOutput(1, 48000).mode(), Mp3EncoderConfig::Mono);
    EXPECT_EQ(Mp3EncoderConfig::forOutput(1, 48000).sampleRate(), 48000u);
}

class Mp3EncoderLibraryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(library.load(), Mp3EncoderLibrary::LoadResult::Loaded); }
    std::uint32_t open(const Mp3EncoderConfig &record)
    {
        const std::uint32_t error = library.initStream(record, samples, outputSize, stream);
        if (error == Mp3EncoderLibrary::Successful)
            library.closeStream(stream);
        return error;
    }

    Mp3EncoderLibrary library;
    std::uint32_t samples = 0, outputSize = 0;
    Mp3EncoderLibrary::Stream stream = nullptr;
};

TEST_F(Mp3EncoderLibraryTest, StreamReportsItsChunkAndOutputSize)
{
    EXPECT_EQ(open(Mp3EncoderConfig::forOutput(2, 44100)), 0u);
    EXPECT_EQ(samples, 2304u);
    EXPECT_GE(outputSize, 1152u * 5 / 4 + 7200);
    EXPECT_EQ(open(Mp3EncoderConfig::forOutput(1, 44100)), 0u);
    EXPECT_EQ(samples, 1152u);
    EXPECT_FALSE(library.version().empty());
}

TEST_F(Mp3EncoderLibraryTest, RecordsTheEncoderCannotHonourAreRefused)
{
    auto bytes = Mp3EncoderConfig::forOutput(2, 44100).bytes();
    bytes[1] = 0; // not the LAME configuration kind
    EXPECT_EQ(open(Mp3EncoderConfig(bytes)), Mp3EncoderLibrary::InvalidFormat);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(open(Mp3EncoderConfig::forOutput(2, 22050)),
              Mp3EncoderLibrary::InvalidFormatParameters) << "22050 Hz is not MPEG-1";
}

} // namespace
