#include "BufferFile.h"
#include "FileInUseLock.h"
#include "Pcm.h"
#include "RecorderTexts.h"
#include "RecordingMessageBoxes.h"
#include "SmallDisk.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using Message = RecordingMessageBoxes::Message;

class BufferFileTest : public ::testing::Test {
protected:
    // A complete take of dataBytes bytes of counting PCM.
    std::vector<std::uint8_t> record(std::size_t dataBytes)
    {
        const auto pcm = Pcm::counting(dataBytes);
        EXPECT_TRUE(file.prepare());
        EXPECT_EQ(file.append(pcm.data(), pcm.size()), pcm.size());
        file.complete();
        return pcm;
    }
    std::vector<std::uint8_t> dataOnDisk() const
    {
        const auto bytes = Pcm::readFile(file.bufferPath());
        return {bytes.begin() + BufferFile::kHeaderSize, bytes.end()};
    }

    TempFolder folder;
    RecordingMessageBoxes messages;
    BufferFile file{folder.path(), messages};
};

TEST_F(BufferFileTest, HeaderHoldsTheEighteenByteFormatBlockAndBothSizes)
{
    const std::array<std::uint8_t, 46> expected = {
        'R', 'I', 'F', 'F', 0x0e, 0x04, 0x00, 0x00, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
        18, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xac, 0x00, 0x00, 0x10, 0xb1, 0x02, 0x00,
        4, 0, 16, 0, 18, 0, 'd', 'a', 't', 'a', 0xe8, 0x03, 0x00, 0x00};
    EXPECT_EQ(BufferFile::header(WaveFormat{}, 1000), expected);
}

TEST_F(BufferFileTest, PathsLieInTheGivenFolder)
{
    EXPECT_EQ(file.bufferPath(), folder.path() / "NUVRecord.wav");
    EXPECT_EQ(file.mp3Path(), folder.path() / "NUVRecord.mp3");
    EXPECT_EQ(file.oldBufferPath(), folder.path() / "NUVRecordOld.wav");
}

TEST_F(BufferFileTest, CompletedTakeIsItsDataPlusTheHeader)
{
    const auto pcm = record(8820 * 3);
    const auto bytes = Pcm::readFile(file.bufferPath());
    ASSERT_EQ(bytes.size(), pcm.size() + 46);
    EXPECT_EQ(Pcm::le32(bytes, 4), pcm.size() + 38);
    EXPECT_EQ(Pcm::le32(bytes, 42), pcm.size());
    EXPECT_EQ(dataOnDisk(), pcm);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BufferFileTest, CompletingDropsATornLastFrame)
{
    ASSERT_TRUE(file.prepare());
    const auto pcm = Pcm::counting(1001);
    file.append(pcm.data(), pcm.size());
    file.complete();
    EXPECT_EQ(file.dataBytes(), 1000u);
    EXPECT_EQ(fs::file_size(file.bufferPath()), 1046u);
}

TEST_F(BufferFileTest, PrepareStartsEmptyEvenWhileTheLastTakeIsStillOpen)
{
    record(4000);
    ASSERT_TRUE(file.prepare());
    ASSERT_TRUE(file.prepare());
    EXPECT_EQ(fs::file_size(file.bufferPath()), 46u);
    EXPECT_EQ(file.dataBytes(), 0u);
}

TEST_F(BufferFileTest, PrepareRefusesWhileTheTakeIsPlaying)
{
    const auto pcm = record(4000);
    const FileInUseLock player = FileInUseLock::hold(file.bufferPath());
    ASSERT_TRUE(player.held());
    EXPECT_FALSE(file.prepare());
    EXPECT_EQ(messages.messages,
              std::vector<Message>({{RecorderTexts::kRecordedFileUsed, RecorderTexts::kNotify}}));
    EXPECT_EQ(dataOnDisk(), pcm);
}

TEST_F(BufferFileTest, PrepareInAFolderThatCannotHoldTheFileSaysSo)
{
    BufferFile nowhere(folder.path() / "missing", messages);
    EXPECT_FALSE(nowhere.prepare());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text,
              "Error creating file " + (folder.path() / "missing" / "NUVRecord.wav").string());
}

// 20.5 s of audio, start 5 s, end 12 s: 143 blocks of 8820 bytes from 899640 on.
TEST_F(BufferFileTest, CutKeepsWholeBlocksBetweenStartAndEnd)
{
    const auto pcm = record(3616200);
    ASSERT_EQ(fs::file_size(file.bufferPath()), 3616246u);
    EXPECT_EQ(file.cut(5000, 12000), 7u);
    const std::vector<std::uint8_t> kept(pcm.begin() + 899640, pcm.begin() + 899640 + 1261260);
    EXPECT_EQ(dataOnDisk(), kept);
    EXPECT_EQ(file.dataBytes(), 1261260u);
    EXPECT_EQ(Pcm::le32(Pcm::readFile(file.bufferPath()), 4), 1261260u + 38);
    EXPECT_FALSE(fs::exists(file.oldBufferPath()));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(BufferFileTest, CutWithOnlyAStartKeepsTheRestOfTheTake)
{
    const auto pcm = record(3616200);
    EXPECT_EQ(file.cut(5000, 0), 15u);
    // (20000 - 5000) / 20000 of the data, lowered to whole blocks.
    const std::vector<std::uint8_t> kept(pcm.begin() + 899640, pcm.begin() + 899640 + 2707740);
    EXPECT_EQ(dataOnDisk(), kept);
}

TEST_F(BufferFileTest, CutWithEndAtStartLeavesAnEmptyButValidTake)
{
    record(3616200);
    EXPECT_EQ(file.cut(5000, 5000), 0u);
    EXPECT_EQ(fs::file_size(file.bufferPath()), 46u);
    EXPECT_EQ(Pcm::le32(Pcm::readFile(file.bufferPath()), 42), 0u);
}

TEST_F(BufferFileTest, CutOfATakeShorterThanASecondLeavesItAlone)
{
    const auto pcm = record(88200);
    EXPECT_EQ(file.cut(0, 0), std::nullopt);
    EXPECT_EQ(dataOnDisk(), pcm);
    EXPECT_EQ(messages.messages,
              std::vector<Message>({{RecorderTexts::kTakeTooShortToCut, RecorderTexts::kNotify}}));
}

TEST_F(BufferFileTest, CutRefusesWhileTheTakeIsPlaying)
{
    const auto pcm = record(3616200);
    const FileInUseLock player = FileInUseLock::hold(file.bufferPath());
    EXPECT_EQ(file.cut(5000, 12000), std::nullopt);
    EXPECT_EQ(messages.messages,
              std::vector<Message>({{RecorderTexts::kFileUsed, RecorderTexts::kNotify}}));
    EXPECT_EQ(dataOnDisk(), pcm);
    EXPECT_FALSE(fs::exists(file.oldBufferPath()));
}

TEST_F(BufferFileTest, CutThatRunsOutOfDiskKeepsTheWholeTake)
{
    SmallDisk disk(1024 * 1024);
    ASSERT_TRUE(disk.mounted()) << disk.error();
    BufferFile small(disk.path(), messages);
    const auto pcm = Pcm::counting(176400 * 4);
    ASSERT_TRUE(small.prepare());
    ASSERT_EQ(small.append(pcm.data(), pcm.size()), pcm.size());
    small.complete();

    EXPECT_EQ(small.cut(0, 3000), std::nullopt);
    const auto bytes = Pcm::readFile(small.bufferPath());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 46, bytes.end()), pcm);
    EXPECT_EQ(small.dataBytes(), pcm.size());
    EXPECT_EQ(messages.messages,
              std::vector<Message>({{RecorderTexts::kCutWriteFailed, RecorderTexts::kNotify}}));
}

} // namespace
