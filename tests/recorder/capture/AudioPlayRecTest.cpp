// SPDX-License-Identifier: GPL-3.0-or-later
#include "CAudioPlayRec.h"
#include "FileInUseLock.h"
#include "FileSizeLimit.h"
#include "Pcm.h"
#include "RecorderTexts.h"
#include "RecordingMessageBoxes.h"
#include "TempFolder.h"

#include <gtest/gtest.h>
#include <mpg123.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using Message = RecordingMessageBoxes::Message;

struct FrameHeader {
    int version, layer, bitrateIndex, rateIndex, channelMode, copyright, original;
    std::size_t length;
};

FrameHeader parseFrame(const std::vector<std::uint8_t> &mp3, std::size_t at)
{
    const std::uint32_t h = std::uint32_t(mp3.at(at)) << 24 | std::uint32_t(mp3.at(at + 1)) << 16 |
                            std::uint32_t(mp3.at(at + 2)) << 8 | mp3.at(at + 3);
    EXPECT_EQ(h >> 21, 0x7ffu) << "no frame sync at " << at;
    FrameHeader f{int(h >> 19 & 3), int(h >> 17 & 3), int(h >> 12 & 15), int(h >> 10 & 3),
                  int(h >> 6 & 3),  int(h >> 3 & 1),  int(h >> 2 & 1),   0};
    f.length = 144 * 320000 / 44100 + (h >> 9 & 1);
    return f;
}

// Decodes with libmpg123 (gapless) and returns the bytes of 16-bit stereo PCM.
std::size_t decodedBytes(const fs::path &mp3)
{
    mpg123_init();
    int error = 0;
    mpg123_handle *handle = mpg123_new(nullptr, &error);
    std::size_t total = 0;
    if (handle && mpg123_open(handle, mp3.c_str()) == MPG123_OK) {
        mpg123_format_none(handle);
        mpg123_format(handle, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
        std::vector<unsigned char> buffer(65536);
        for (;;) {
            std::size_t done = 0;
            const int result = mpg123_read(handle, buffer.data(), buffer.size(), &done);
            total += done;
            if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
                break;
        }
        mpg123_close(handle);
    }
    mpg123_delete(handle);
    return total;
}

class AudioPlayRecTest : public ::testing::Test {
protected:
    // What the save worker does: 50 ms blocks of the take into slot 0.
    bool convert(CAudioPlayRec &writer, const std::vector<std::uint8_t> &pcm, const fs::path &out)
    {
        writer.SetFormat(1, 44100, 16);
        if (!writer.OpenOutput(0, out.string()))
            return false;
        feed(writer, pcm);
        return writer.ReleaseOutput();
    }
    void feed(CAudioPlayRec &writer, const std::vector<std::uint8_t> &pcm)
    {
        for (std::size_t at = 0; at < pcm.size(); at += 8820) {
            const std::uint32_t n = std::uint32_t(std::min<std::size_t>(8820, pcm.size() - at));
            const std::uint32_t lengths[2] = {n, n};
            const std::uint8_t *blocks[2] = {pcm.data() + at, pcm.data() + at};
            writer.FeedOutput(lengths, blocks);
        }
    }

    TempFolder folder;
    RecordingMessageBoxes messages;
};

TEST_F(AudioPlayRecTest, TwoSecondSineBecomesAGaplessCbr320JointStereoOriginalMp3)
{
    CAudioPlayRec writer(messages);
    const fs::path out = folder.path() / "take.mp3";
    ASSERT_TRUE(convert(writer, Pcm::sine(2.0), out));
    EXPECT_EQ(writer.samplesPerChunk(), 2304u);
    EXPECT_TRUE(messages.messages.empty());

    const auto mp3 = Pcm::readFile(out);
    ASSERT_GT(mp3.size(), 40u);
    EXPECT_EQ(std::string(mp3.begin() + 36, mp3.begin() + 40), "Info") << "no info tag frame";
    std::size_t frames = 0;
    for (std::size_t at = 0; at < mp3.size(); ++frames) {
        const FrameHeader f = parseFrame(mp3, at);
        EXPECT_EQ(f.version, 3) << "MPEG-1";
        EXPECT_EQ(f.layer, 1) << "Layer III";
        EXPECT_EQ(f.bitrateIndex, 14) << "320 kbit/s";
        EXPECT_EQ(f.rateIndex, 0) << "44100 Hz";
        EXPECT_EQ(f.channelMode, 1) << "joint stereo";
        EXPECT_EQ(f.copyright, 0);
        EXPECT_EQ(f.original, 1);
        if (::testing::Test::HasFailure())
            break;
        at += f.length;
    }
    EXPECT_GE(frames, 2 * 44100 / 1152u);
    EXPECT_EQ(decodedBytes(out), 88200u * 4);
}

TEST_F(AudioPlayRecTest, LessThanOneChunkStillGivesAFileWithAllOfIt)
{
    CAudioPlayRec writer(messages);
    const fs::path out = folder.path() / "short.mp3";
    ASSERT_TRUE(convert(writer, Pcm::sine(0.01), out));
    EXPECT_EQ(decodedBytes(out), 441u * 4);
}

TEST_F(AudioPlayRecTest, SecondOpenOfAnOpenSlotKeepsItsFile)
{
    CAudioPlayRec writer(messages);
    const fs::path out = folder.path() / "twice.mp3";
    writer.SetFormat(1, 44100, 16);
    ASSERT_TRUE(writer.OpenOutput(0, out.string()));
    feed(writer, Pcm::sine(0.5));
    ASSERT_TRUE(writer.OpenOutput(0, out.string()));
    feed(writer, Pcm::sine(0.5));
    ASSERT_TRUE(writer.ReleaseOutput());
    EXPECT_EQ(decodedBytes(out), 44100u * 4);
}

TEST_F(AudioPlayRecTest, MissingEncoderLibraryIsNamedAndNoFileIsMade)
{
    CAudioPlayRec writer(messages, "libmp3lame-absent.so.0");
    const fs::path out = folder.path() / "take.mp3";
    EXPECT_FALSE(convert(writer, Pcm::sine(0.1), out));
    EXPECT_EQ(messages.messages, std::vector<Message>({{"Error loading libmp3lame-absent.so.0",
                                                        RecorderTexts::kApplication}}));
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(AudioPlayRecTest, LibraryWithoutTheEncoderInterfaceIsRefused)
{
    CAudioPlayRec writer(messages, "libc.so.6");
    const fs::path out = folder.path() / "take.mp3";
    EXPECT_FALSE(convert(writer, Pcm::sine(0.1), out));
    EXPECT_EQ(messages.messages, std::vector<Message>({{RecorderTexts::kEncoderInterfaces,
                                                        RecorderTexts::kApplication}}));
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(AudioPlayRecTest, EightBitAndNonMp3OutputsAreRefusedBeforeTheEncoderLoads)
{
    CAudioPlayRec writer(messages, "libmp3lame-absent.so.0");
    writer.SetFormat(1, 44100, 8);
    EXPECT_FALSE(writer.OpenOutput(0, (folder.path() / "take.mp3").string()));
    writer.SetFormat(1, 44100, 16);
    const std::string upper = (folder.path() / "take.MP3").string();
    EXPECT_FALSE(writer.OpenOutput(0, upper));
    const std::vector<Message> expected = {
        {RecorderTexts::kNoEightBitMp3, RecorderTexts::kApplication},
        {RecorderTexts::format(RecorderTexts::kMp3Only, upper.c_str()),
         RecorderTexts::kApplication}};
    EXPECT_EQ(messages.messages, expected);
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST_F(AudioPlayRecTest, OutputInUseIsLeftAlone)
{
    const fs::path out = folder.path() / "take.mp3";
    Pcm::writeFile(out, {1, 2, 3});
    const FileInUseLock player = FileInUseLock::hold(out);
    CAudioPlayRec writer(messages);
    writer.SetFormat(1, 44100, 16);
    EXPECT_FALSE(writer.OpenOutput(0, out.string()));
    EXPECT_EQ(messages.messages, std::vector<Message>({{RecorderTexts::kOutputInUse,
                                                        RecorderTexts::kOutputInUseCaption}}));
    EXPECT_EQ(Pcm::readFile(out), std::vector<std::uint8_t>({1, 2, 3}));
}

TEST_F(AudioPlayRecTest, OutputThatCannotBeCreatedIsNamedWithTheCause)
{
    CAudioPlayRec writer(messages);
    const std::string out = (folder.path() / "missing" / "take.mp3").string();
    writer.SetFormat(1, 44100, 16);
    EXPECT_FALSE(writer.OpenOutput(0, out));
    // A folder where a file should be is no file in use either.
    const fs::path taken = folder.path() / "taken.mp3";
    fs::create_directory(taken);
    EXPECT_FALSE(writer.OpenOutput(0, taken.string()));
    EXPECT_EQ(messages.messages,
              std::vector<Message>({{"Error creating file " + out + ": No such file or directory",
                                     RecorderTexts::kApplication},
                                    {"Error creating file " + taken.string() + ": Is a directory",
                                     RecorderTexts::kApplication}}));
    EXPECT_TRUE(fs::is_directory(taken));
}

TEST_F(AudioPlayRecTest, WriteFailureStopsTheSlotAndTheConversionFailsLeavingNoFile)
{
    CAudioPlayRec writer(messages);
    {
        const FileSizeLimit full(16 * 1024);
        ASSERT_TRUE(full.active()) << full.error();
        EXPECT_FALSE(convert(writer, Pcm::sine(2.0), folder.path() / "take.mp3"));
    }
    EXPECT_EQ(messages.messages, std::vector<Message>({{RecorderTexts::kOutputWriteError,
                                                        RecorderTexts::kApplication}}));
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST_F(AudioPlayRecTest, AFileOfTheNameIsReplacedOnlyByACompleteOne)
{
    const fs::path out = folder.path() / "old.mp3";
    const std::vector<std::uint8_t> old(40000, 0x55);
    Pcm::writeFile(out, old);
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    CAudioPlayRec writer(messages);
    {
        const FileSizeLimit full(16 * 1024);
        ASSERT_TRUE(full.active()) << full.error();
        EXPECT_FALSE(convert(writer, Pcm::sine(2.0), out));
    }
    EXPECT_EQ(Pcm::readFile(out), old);
    // Abandoned half way: nothing of it stays either.
    writer.SetFormat(1, 44100, 16);
    ASSERT_TRUE(writer.OpenOutput(0, out.string()));
    feed(writer, Pcm::sine(1.0));
    writer.SetFormat(1, 44100, 16);
    EXPECT_EQ(Pcm::readFile(out), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 1);

    ASSERT_TRUE(convert(writer, Pcm::sine(1.0), out));
    EXPECT_EQ(decodedBytes(out), 44100u * 4);
    struct stat status {};
    ASSERT_EQ(::stat(out.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u) << "the old file's permissions stay";
}

} // namespace
