// SPDX-License-Identifier: GPL-3.0-or-later
#include "BufferFile.h"
#include "BufferFileInspection.h"
#include "FileInUseLock.h"
#include "FileSizeLimit.h"
#include "Pcm.h"
#include "RecorderTexts.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class BufferFileTest : public ::testing::Test {
protected:
    // A complete take of dataBytes bytes of counting PCM.
    std::vector<std::uint8_t> record(std::size_t dataBytes)
    {
        const auto pcm = Pcm::counting(dataBytes);
        EXPECT_TRUE(file.prepare().done());
        EXPECT_EQ(file.append(pcm.data(), pcm.size()), pcm.size());
        file.complete();
        return pcm;
    }
    std::vector<std::uint8_t> dataOnDisk() const
    {
        const auto bytes = Pcm::readFile(file.bufferPath());
        return {bytes.begin() + BufferFile::kHeaderSize, bytes.end()};
    }
    // A take as a run that ended without completing it leaves it: the header
    // counts headerCounts bytes, the file holds pcm.
    std::vector<std::uint8_t> leftBehind(std::uint32_t headerCounts, std::size_t dataBytes) const
    {
        const auto head = WaveHeader{PcmFormat{}, WaveHeader::kSize, headerCounts}.bytes();
        auto bytes = Pcm::counting(dataBytes);
        bytes.insert(bytes.begin(), head.begin(), head.end());
        Pcm::writeFile(file.bufferPath(), bytes);
        return bytes;
    }
    std::size_t filesInFolder() const
    {
        return std::size_t(std::distance(fs::directory_iterator(folder.path()), {}));
    }

    TempFolder folder;
    BufferFile file{folder.path()};
};

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
}

TEST_F(BufferFileTest, CompletingDropsATornLastFrame)
{
    ASSERT_TRUE(file.prepare().done());
    const auto pcm = Pcm::counting(1001);
    file.append(pcm.data(), pcm.size());
    file.complete();
    EXPECT_EQ(file.dataBytes(), 1000u);
    EXPECT_EQ(fs::file_size(file.bufferPath()), 1046u);
}

TEST_F(BufferFileTest, PrepareStartsEmptyEvenWhileTheLastTakeIsStillOpen)
{
    record(4000);
    ASSERT_TRUE(file.prepare().done());
    ASSERT_TRUE(file.prepare().done());
    EXPECT_EQ(fs::file_size(file.bufferPath()), 46u);
    EXPECT_EQ(file.dataBytes(), 0u);
}

TEST_F(BufferFileTest, PrepareRefusesWhileTheTakeIsPlaying)
{
    const auto pcm = record(4000);
    const FileInUseLock player = FileInUseLock::hold(file.bufferPath());
    ASSERT_TRUE(player.held());
    const TakeOutcome refused = file.prepare();
    EXPECT_EQ(refused.problem, RecorderTexts::kRecordedFileUsed);
    EXPECT_EQ(refused.caption, RecorderTexts::kNotify);
    EXPECT_EQ(dataOnDisk(), pcm);
}

TEST_F(BufferFileTest, PrepareInAFolderThatCannotHoldTheFileSaysWhy)
{
    BufferFile nowhere(folder.path() / "missing");
    EXPECT_EQ(nowhere.prepare().problem,
              "Cannot record into " + (folder.path() / "missing" / "NUVRecord.wav").string() +
                  ": No such file or directory. The recording did not start.");
}

TEST_F(BufferFileTest, PrepareThatCannotReplaceTheTakeNamesTheCauseNotAFileInUse)
{
    fs::create_directory(file.bufferPath());
    EXPECT_EQ(file.prepare().problem, "Cannot record into " + file.bufferPath().string() +
                                          ": Is a directory. The recording did not start.");
    EXPECT_TRUE(fs::is_directory(file.bufferPath()));
}

TEST_F(BufferFileTest, PrepareOnAFullDiskKeepsTheLastTakeAndLeavesNoOtherFile)
{
    const auto pcm = record(4000);
    TakeOutcome refused;
    {
        const FileSizeLimit full(20);
        ASSERT_TRUE(full.active()) << full.error();
        refused = file.prepare();
    }
    EXPECT_EQ(dataOnDisk(), pcm);
    EXPECT_EQ(filesInFolder(), 1u);
    EXPECT_EQ(refused.problem, "Cannot record into " + file.bufferPath().string() +
                                   ": File too large. The recording did not start.");
}

TEST_F(BufferFileTest, TheHeaderCountsTheAudioOnDiskAtLeastOnceASecondWhileTheTakeRuns)
{
    ASSERT_TRUE(file.prepare().done());
    const auto pcm = Pcm::counting(176400 * 2 + 8820 * 3);
    for (std::size_t at = 0; at < pcm.size(); at += 8820)
        file.append(pcm.data() + at, 8820);
    // Not completed: this is what a killed run leaves.
    const auto bytes = Pcm::readFile(file.bufferPath());
    const std::uint32_t counted = Pcm::le32(bytes, 42);
    EXPECT_EQ(counted, 2u * 176400);
    EXPECT_EQ(Pcm::le32(bytes, 4), counted + 38);
    EXPECT_EQ(bytes.size(), pcm.size() + 46);
}

TEST_F(BufferFileTest, RecoverCountsEveryWholeFrameAKilledRunLeft)
{
    leftBehind(176400, 176400 * 2 + 3);
    EXPECT_EQ(file.recover(), 176400u * 2);
    const auto bytes = Pcm::readFile(file.bufferPath());
    EXPECT_EQ(bytes.size(), 46u + 176400 * 2);
    EXPECT_EQ(Pcm::le32(bytes, 42), 176400u * 2);
    EXPECT_EQ(Pcm::le32(bytes, 4), 176400u * 2 + 38);
    EXPECT_EQ(file.dataBytes(), 176400u * 2);
}

TEST_F(BufferFileTest, ATakeBeyondWhatAHeaderCountsIsCountedInWholeFramesAndKept)
{
    const PcmFormat stereo16;
    // A killed run's take past 4 GiB, with a torn last frame; sparse, so
    // nothing of it is written.
    const std::uint64_t data = (std::uint64_t(1) << 32) + 8 + 2;
    {
        const auto head = WaveHeader{stereo16}.bytes();
        const int out = ::open(file.bufferPath().c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(out, 0);
        const bool headed = ::write(out, head.data(), head.size()) == ssize_t(head.size());
        const bool sized = ::ftruncate(out, off_t(BufferFile::kHeaderSize + data)) == 0;
        const int error = errno;
        ::close(out);
        ASSERT_TRUE(headed);
        if (!sized)
            GTEST_SKIP() << "this file system takes no sparse file past 4 GiB: "
                         << RecorderTexts::causeOf(error);
    }
    EXPECT_EQ(file.recover(), 4294967256u);
    EXPECT_EQ(fs::file_size(file.bufferPath()), BufferFile::kHeaderSize + data - 2)
        << "only the torn frame goes";
    std::array<std::uint8_t, BufferFile::kHeaderSize> head{};
    const int in = ::open(file.bufferPath().c_str(), O_RDONLY);
    ASSERT_GE(in, 0);
    EXPECT_EQ(::pread(in, head.data(), head.size(), 0), ssize_t(head.size()));
    ::close(in);
    EXPECT_EQ(head, (WaveHeader{stereo16, WaveHeader::kSize, 4294967256u}.bytes()));
    fs::remove(file.bufferPath());
}

TEST_F(BufferFileTest, RecoverPutsBackTheTakeACutWasCopyingWhenItsRunEnded)
{
    const auto whole = leftBehind(8820 * 4, 8820 * 4);
    fs::rename(file.bufferPath(), file.oldBufferPath());
    leftBehind(0, 100);
    EXPECT_EQ(file.recover(), 8820u * 4);
    EXPECT_EQ(Pcm::readFile(file.bufferPath()), whole);
    EXPECT_FALSE(fs::exists(file.oldBufferPath()));
}

TEST_F(BufferFileTest, RecoverLeavesACompleteTakeAndOtherFilesAlone)
{
    const auto complete = leftBehind(8820, 8820);
    EXPECT_EQ(file.recover(), 8820u);
    EXPECT_EQ(Pcm::readFile(file.bufferPath()), complete);

    const std::vector<std::uint8_t> other(100, 'x');
    Pcm::writeFile(file.bufferPath(), other);
    EXPECT_EQ(file.recover(), 0u);
    EXPECT_EQ(Pcm::readFile(file.bufferPath()), other);
    fs::remove(file.bufferPath());
    EXPECT_EQ(file.recover(), 0u);
}

TEST_F(BufferFileTest, InspectionTellsWhatRecoveryWouldDoWithoutChangingAnything)
{
    const auto killed = leftBehind(176400, 176400 * 2 + 3);
    BufferFileInspection found = BufferFileInspection::of(file.bufferPath());
    EXPECT_TRUE(found.exists);
    EXPECT_EQ(found.sizeBytes, killed.size());
    EXPECT_EQ(found.headerDataBytes, 176400u);
    EXPECT_TRUE(found.recoveryWouldChange);
    EXPECT_EQ(Pcm::readFile(file.bufferPath()), killed);

    file.recover();
    found = BufferFileInspection::of(file.bufferPath());
    EXPECT_EQ(found.headerDataBytes, 176400u * 2);
    EXPECT_FALSE(found.recoveryWouldChange);

    // A cut that did not finish: the take beside it goes back.
    fs::copy_file(file.bufferPath(), file.oldBufferPath());
    EXPECT_TRUE(BufferFileInspection::of(file.bufferPath()).recoveryWouldChange);
    fs::remove(file.oldBufferPath());

    const std::vector<std::uint8_t> other(100, 'x');
    Pcm::writeFile(file.bufferPath(), other);
    found = BufferFileInspection::of(file.bufferPath());
    EXPECT_EQ(found.sizeBytes, 100u);
    EXPECT_FALSE(found.headerDataBytes);
    EXPECT_FALSE(found.recoveryWouldChange);
    fs::remove(file.bufferPath());
    EXPECT_FALSE(BufferFileInspection::of(file.bufferPath()).exists);
}

TEST_F(BufferFileTest, UndoPutsBackTheExactTakeBeforeTheLastCutAlsoAfterACutThatFailed)
{
    record(176400 * 4);
    const auto whole = Pcm::readFile(file.bufferPath());
    const CutOutcome first = file.cut(1000, 3000);
    ASSERT_TRUE(first.done() && first.undoKept);
    const auto once = Pcm::readFile(file.bufferPath());
    ASSERT_TRUE(file.cut(0, 1000).done());
    ASSERT_TRUE(file.undoCut().done());
    EXPECT_EQ(Pcm::readFile(file.bufferPath()), once) << "the last cut is undone";
    EXPECT_EQ(file.dataBytes(), 2u * 176400);
    EXPECT_FALSE(file.hasUndo());
    EXPECT_FALSE(file.undoCut().done()) << "and only that one";

    ASSERT_TRUE(file.cut(0, 1000).done());
    CutOutcome refused;
    {
        const FileSizeLimit full(64 * 1024);
        ASSERT_TRUE(full.active()) << full.error();
        refused = file.cut(0, 0);
    }
    EXPECT_EQ(refused.problem, "Cannot write the recorded file " + file.bufferPath().string() +
                                   ": File too large. The recording was not cut.");
    ASSERT_TRUE(file.undoCut().done());
    EXPECT_EQ(Pcm::readFile(file.bufferPath()), once);
    EXPECT_NE(once, whole);
    EXPECT_EQ(filesInFolder(), 1u);
}

TEST_F(BufferFileTest, TheUndoGoesWithTheNextTakeInPlaceOrStartAndNotWhileTheTakePlays)
{
    record(176400 * 2);
    ASSERT_TRUE(file.cut(1000, 0).done());
    {
        const FileInUseLock player = FileInUseLock::hold(file.bufferPath());
        EXPECT_EQ(file.undoCut().problem, RecorderTexts::kFileUsed);
    }
    EXPECT_TRUE(file.hasUndo());
    BufferFile nextRun(folder.path());
    nextRun.recover();
    EXPECT_FALSE(file.hasUndo());

    ASSERT_TRUE(file.cut(0, 0).done());
    ASSERT_TRUE(file.prepareAside().done());
    file.dropPrepared();
    file.takeUpKept();
    EXPECT_TRUE(file.hasUndo()) << "a take that never started keeps the undo";
    ASSERT_TRUE(file.prepare().done());
    EXPECT_FALSE(file.hasUndo());
}

// 20.5 s of audio, start 5 s, end 12 s: 140 blocks of 8820 bytes from 882000 on.
TEST_F(BufferFileTest, CutKeepsWholeBlocksBetweenStartAndEnd)
{
    const auto pcm = record(3616200);
    ASSERT_EQ(fs::file_size(file.bufferPath()), 3616246u);
    EXPECT_TRUE(file.cut(5000, 12000).done());
    EXPECT_EQ(file.wholeSeconds(), 7u);
    const std::vector<std::uint8_t> kept(pcm.begin() + 882000, pcm.begin() + 882000 + 1234800);
    EXPECT_EQ(dataOnDisk(), kept);
    EXPECT_EQ(file.dataBytes(), 1234800u);
    EXPECT_EQ(Pcm::le32(Pcm::readFile(file.bufferPath()), 4), 1234800u + 38);
    EXPECT_FALSE(fs::exists(file.oldBufferPath()));
}

TEST_F(BufferFileTest, CutWithOnlyAStartKeepsTheRestOfTheTake)
{
    const auto pcm = record(3616200);
    EXPECT_TRUE(file.cut(5000, 0).done());
    EXPECT_EQ(file.wholeSeconds(), 15u);
    const std::vector<std::uint8_t> kept(pcm.begin() + 882000, pcm.end());
    EXPECT_EQ(dataOnDisk(), kept);
}

TEST_F(BufferFileTest, CutMarksCountFromTheStartOfTheAudioWhateverTheTakesLength)
{
    // 3.4 s, marks at 1 s and 2 s: the second between them.
    auto pcm = record(599760);
    EXPECT_TRUE(file.cut(1000, 2000).done());
    EXPECT_EQ(dataOnDisk(), std::vector<std::uint8_t>(pcm.begin() + 176400, pcm.begin() + 352800));

    // 1.9 s from 1 s on: 0.9 s, in whole blocks.
    pcm = record(335160);
    EXPECT_TRUE(file.cut(1000, 0).done());
    EXPECT_EQ(file.wholeSeconds(), 0u);
    EXPECT_EQ(dataOnDisk(), std::vector<std::uint8_t>(pcm.begin() + 176400, pcm.end()));

    // Half a second, cut from its start: all of it.
    pcm = record(88200);
    EXPECT_TRUE(file.cut(0, 0).done());
    EXPECT_EQ(dataOnDisk(), pcm);
}

TEST_F(BufferFileTest, CutOfAMissingTakeNamesTheFileAndTheCause)
{
    const CutOutcome refused = file.cut(1000, 2000);
    EXPECT_EQ(refused.problem, "Cannot cut the recording in " + file.bufferPath().string() +
                                   ": No such file or directory");
    EXPECT_EQ(refused.caption, RecorderTexts::kNotify);
}

TEST_F(BufferFileTest, CutWithEndAtStartLeavesAnEmptyButValidTake)
{
    record(3616200);
    EXPECT_TRUE(file.cut(5000, 5000).done());
    EXPECT_EQ(fs::file_size(file.bufferPath()), 46u);
    EXPECT_EQ(Pcm::le32(Pcm::readFile(file.bufferPath()), 42), 0u);
}

TEST_F(BufferFileTest, CutRefusesWhileTheTakeIsPlaying)
{
    const auto pcm = record(3616200);
    const FileInUseLock player = FileInUseLock::hold(file.bufferPath());
    EXPECT_EQ(file.cut(5000, 12000).problem, RecorderTexts::kFileUsed);
    EXPECT_EQ(dataOnDisk(), pcm);
    EXPECT_FALSE(fs::exists(file.oldBufferPath()));
}

TEST_F(BufferFileTest, CutThatRunsOutOfDiskKeepsTheWholeTake)
{
    const auto pcm = record(176400 * 4);
    CutOutcome refused;
    {
        const FileSizeLimit full(256 * 1024);
        ASSERT_TRUE(full.active()) << full.error();
        refused = file.cut(0, 3000);
    }
    EXPECT_EQ(dataOnDisk(), pcm);
    EXPECT_EQ(file.dataBytes(), pcm.size());
    EXPECT_EQ(filesInFolder(), 1u);
    EXPECT_EQ(refused.problem, "Cannot write the recorded file " + file.bufferPath().string() +
                                   ": File too large. The recording was not cut.");
}

} // namespace
