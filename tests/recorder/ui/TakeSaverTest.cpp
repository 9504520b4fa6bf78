// SPDX-License-Identifier: GPL-3.0-or-later
#include "TakeSaver.h"
#include "BufferFile.h"
#include "ChineseText.h"
#include "ConvertingMessageBoxes.h"
#include "FileSizeLimit.h"
#include "RecordingMessageBoxes.h"
#include "SaveFileDialog.h"
#include "SaveProgress.h"
#include "WaveTestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
class ScriptedSaveDialog : public SaveFileDialog {
public:
    std::optional<Choice> askSavePath(const std::string &title,
                                      const std::vector<std::string> &filters) override
    {
        askedTitle = title;
        askedFilters = filters;
        return answer;
    }
    std::optional<Choice> answer;
    std::string askedTitle;
    std::vector<std::string> askedFilters;
};

class CountingProgress : public SaveProgress {
public:
    void setRange(std::uint64_t total) override { range = total; }
    void setDone(std::uint64_t done) override
    {
        last = done;
        ++steps;
    }
    std::uint64_t range = 0, last = 0;
    int steps = 0;
};

std::vector<char> bytesOf(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class TakeSaverTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() /
                  ("saver-" + std::to_string(getpid()) + "-" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
        source_ = folder_ / "NUVRecord.wav";
    }
    void TearDown() override { fs::remove_all(folder_); }

    bool save(const std::string &name, int filter)
    {
        dialog_.answer = SaveFileDialog::Choice{(folder_ / name).string(), filter};
        TakeSaver saver(source_, PcmFormat{}, dialog_, messages_, progress_);
        return saver.run();
    }

    // Samples mpg123 decodes from a file, or -1 when it cannot decode it.
    long decodedSamples(const fs::path &mp3) const
    {
        const fs::path wav = folder_ / "decoded.wav";
        const std::string command = "mpg123 -q -w '" + wav.string() + "' '" + mp3.string() + "'";
        if (std::system(command.c_str()) != 0)
            return -1;
        const long bytes = long(fs::file_size(wav)) - 44;
        return bytes / 4;
    }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const auto &shown : messages_.shown)
            out.push_back(shown.text);
        return out;
    }
    std::size_t filesInFolder() const
    {
        return std::size_t(std::distance(fs::directory_iterator(folder_), {}));
    }

    fs::path folder_, source_;
    ScriptedSaveDialog dialog_;
    RecordingMessageBoxes messages_;
    CountingProgress progress_;
};
} // namespace

TEST_F(TakeSaverTest, ANameWithoutExtensionUnderTheWavFilterIsAnExactCopy)
{
    WaveTestFiles::writeTake(source_, WaveTestFiles::tone(0.3));
    EXPECT_TRUE(save("take", 2));
    EXPECT_EQ(dialog_.askedTitle, "save");
    EXPECT_EQ(dialog_.askedFilters, (std::vector<std::string>{"mp3(*.mp3)", "wav(*.wav)"}));
    EXPECT_EQ(bytesOf(folder_ / "take.wav"), bytesOf(source_));
    EXPECT_EQ(progress_.range, fs::file_size(source_));
    EXPECT_EQ(progress_.last, fs::file_size(source_));
    // One update per copy step, not per small block: few enough not to flood the window.
    EXPECT_EQ(progress_.steps,
              int((fs::file_size(source_) + BufferFile::kCopyStep - 1) / BufferFile::kCopyStep));
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(TakeSaverTest, AnUpperCaseWavNameUnderTheMp3FilterBecomesAnMp3OfTheWholeTake)
{
    WaveTestFiles::writeTake(source_, WaveTestFiles::tone(1.0));
    EXPECT_TRUE(save("take.WAV", 1));
    const fs::path mp3 = folder_ / "take.WAV.mp3";
    ASSERT_TRUE(fs::exists(mp3));
    EXPECT_FALSE(fs::exists(folder_ / "take.WAV"));
    const std::vector<char> bytes = bytesOf(mp3);
    ASSERT_GT(bytes.size(), 4u);
    // MPEG-1 Layer III frame header, 320 kbit/s, 44100 Hz.
    EXPECT_EQ((unsigned char)bytes[0], 0xff);
    EXPECT_EQ((unsigned char)bytes[1] & 0xfe, 0xfa);
    EXPECT_EQ((unsigned char)bytes[2] >> 4, 0xe);
    EXPECT_EQ(progress_.range, 176400u);
    EXPECT_EQ(decodedSamples(mp3), 44100);
}

TEST_F(TakeSaverTest, AnEmptyBufferFileGivesAnEmptyWavOrAnMp3WithoutAudio)
{
    std::ofstream(source_).close();
    EXPECT_TRUE(save("empty.wav", 1));
    const std::vector<char> wav = bytesOf(folder_ / "empty.wav");
    const auto header = WaveTestFiles::header(0);
    EXPECT_EQ(wav, std::vector<char>(header.begin(), header.end()));
    EXPECT_TRUE(save("empty", 1));
    ASSERT_TRUE(fs::exists(folder_ / "empty.mp3"));
    EXPECT_EQ(decodedSamples(folder_ / "empty.mp3"), 0);
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(TakeSaverTest, CancelOrANameWithoutTypeWritesNothingAndSaysNothing)
{
    WaveTestFiles::writeTake(source_, WaveTestFiles::tone(0.1));
    TakeSaver saver(source_, PcmFormat{}, dialog_, messages_, progress_);
    EXPECT_FALSE(saver.run());
    EXPECT_FALSE(save("take.txt", 0));
    EXPECT_FALSE(save("", 2));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(TakeSaverTest, FailuresNameTheFileAndTheCauseThenSayFailedToSave)
{
    // No take at all.
    const std::string noTake =
        "Cannot read the recording " + source_.string() + ": No such file or directory";
    EXPECT_FALSE(save("a.wav", 2));
    EXPECT_FALSE(save("a.mp3", 1));
    EXPECT_FALSE(fs::exists(folder_ / "a.wav"));
    EXPECT_FALSE(fs::exists(folder_ / "a.mp3"));
    EXPECT_EQ(texts(),
              (std::vector<std::string>{noTake, "Failed to save!", noTake, "Failed to save!"}));
    EXPECT_EQ(messages_.shown[1].caption, "NOTIFY");

    // A folder that cannot be written.
    WaveTestFiles::writeTake(source_, WaveTestFiles::tone(0.1));
    messages_.shown.clear();
    EXPECT_FALSE(save("missing/take.wav", 2));
    EXPECT_EQ(texts(),
              (std::vector<std::string>{"Cannot save " + (folder_ / "missing/take.wav").string() +
                                            ": No such file or directory",
                                        "Failed to save!"}));

    // What is not a file is not replaced, through a link or not.
    messages_.shown.clear();
    fs::create_symlink("/dev/full", folder_ / "full.wav");
    EXPECT_FALSE(save("full.wav", 2));
    EXPECT_TRUE(fs::is_symlink(folder_ / "full.wav"));
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    EXPECT_EQ(texts(), (std::vector<std::string>{"Cannot save " + (folder_ / "full.wav").string() +
                                                     ": not a regular file",
                                                 "Failed to save!"}));

    // The take itself as the target would be destroyed by its own copy.
    messages_.shown.clear();
    const auto before = bytesOf(source_);
    EXPECT_FALSE(save("NUVRecord.wav", 2));
    EXPECT_EQ(bytesOf(source_), before);
    ASSERT_EQ(messages_.shown.size(), 1u);
}

TEST_F(TakeSaverTest, AFileOfTheChosenNameSurvivesASaveThatFails)
{
    WaveTestFiles::writeTake(source_, WaveTestFiles::tone(2.0));
    const std::vector<std::uint8_t> old(30000, 0x42);
    for (const char *name : {"old.wav", "old.mp3"}) {
        WaveTestFiles::write(folder_ / name, {}, old);
        {
            const FileSizeLimit full(20000);
            ASSERT_TRUE(full.active()) << full.error();
            EXPECT_FALSE(save(name, 1));
        }
        const std::vector<char> after = bytesOf(folder_ / name);
        EXPECT_EQ(std::vector<std::uint8_t>(after.begin(), after.end()), old) << name;
        EXPECT_EQ(messages_.shown.back().text, "Failed to save!");
    }
    EXPECT_EQ(filesInFolder(), 3u) << "no part of a save stays behind";
}

TEST_F(TakeSaverTest, ASaveToldToStopLeavesTheFileItWasToReplace)
{
    WaveTestFiles::writeTake(source_, WaveTestFiles::tone(1.0));
    const std::vector<std::uint8_t> old(100, 0x42);
    const std::atomic<bool> stop{true};
    for (const char *name : {"old.wav", "old.mp3"}) {
        WaveTestFiles::write(folder_ / name, {}, old);
        dialog_.answer = SaveFileDialog::Choice{(folder_ / name).string(), 1};
        TakeSaver saver(source_, PcmFormat{}, dialog_, messages_, progress_);
        saver.setStopRequest(stop);
        EXPECT_FALSE(saver.run());
        EXPECT_EQ(fs::file_size(folder_ / name), old.size()) << name;
    }
    EXPECT_EQ(filesInFolder(), 3u);
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(TakeSaverTest, AHeaderThatClaimsMoreThanTheTakeHoldsIsNotCopied)
{
    // A take cut short behind the recorder's back: 3 s claimed, 1 byte there.
    WaveTestFiles::write(source_, WaveTestFiles::header(529200), {7});
    EXPECT_TRUE(save("short.wav", 2));
    const std::vector<char> wav = bytesOf(folder_ / "short.wav");
    const auto header = WaveTestFiles::header(0);
    EXPECT_EQ(wav, std::vector<char>(header.begin(), header.end()));

    const auto pcm = WaveTestFiles::tone(0.5);
    WaveTestFiles::write(source_, WaveTestFiles::header(529200), pcm);
    EXPECT_TRUE(save("half.wav", 2));
    std::vector<std::uint8_t> expected = WaveTestFiles::header(std::uint32_t(pcm.size()));
    expected.insert(expected.end(), pcm.begin(), pcm.end());
    const std::vector<char> saved = bytesOf(folder_ / "half.wav");
    EXPECT_EQ(std::vector<std::uint8_t>(saved.begin(), saved.end()), expected);
}

TEST_F(TakeSaverTest, TheNameWithTheAddedExtensionIsAskedAboutBeforeItIsReplaced)
{
    WaveTestFiles::writeTake(source_, WaveTestFiles::tone(0.2));
    const std::vector<std::uint8_t> old(10, 1);
    WaveTestFiles::write(folder_ / "take.wav", {}, old);
    messages_.answer = false;
    EXPECT_FALSE(save("take", 2));
    EXPECT_EQ(fs::file_size(folder_ / "take.wav"), old.size());
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_TRUE(messages_.shown[0].question);
    EXPECT_EQ(messages_.shown[0].text,
              (folder_ / "take.wav").string() + " already exists.\nDo you want to replace it?");

    messages_.answer = true;
    EXPECT_TRUE(save("take", 2));
    EXPECT_EQ(bytesOf(folder_ / "take.wav"), bytesOf(source_));
    // A name the dialog itself asked about is not asked again.
    messages_.shown.clear();
    EXPECT_TRUE(save("take.wav", 2));
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(TakeSaverTest, ASaveThroughALinkReplacesTheFileItPointsAtAndKeepsTheLink)
{
    WaveTestFiles::writeTake(source_, WaveTestFiles::tone(0.2));
    fs::create_directory(folder_ / "music");
    WaveTestFiles::write(folder_ / "music" / "real.wav", {}, {1, 2, 3});
    fs::create_symlink(folder_ / "music" / "real.wav", folder_ / "link.wav");
    EXPECT_TRUE(save("link.wav", 2));
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.wav"));
    EXPECT_EQ(bytesOf(folder_ / "music" / "real.wav"), bytesOf(source_));
}

TEST_F(TakeSaverTest, AMissingEncoderLibraryIsToldBeforeFailedToSave)
{
    WaveTestFiles::writeTake(source_, WaveTestFiles::tone(0.1));
    dialog_.answer = SaveFileDialog::Choice{(folder_ / "take.mp3").string(), 1};
    TakeSaver saver(source_, PcmFormat{}, dialog_, messages_, progress_);
    saver.setEncoderLibrary("libnot-an-encoder.so.0");
    EXPECT_FALSE(saver.run());
    EXPECT_FALSE(fs::exists(folder_ / "take.mp3"));
    ASSERT_EQ(messages_.shown.size(), 2u);
    EXPECT_NE(messages_.shown[0].text.find("libnot-an-encoder.so.0"), std::string::npos);
    EXPECT_EQ(messages_.shown[1].text, "Failed to save!");
}

TEST(ChineseText, OnlyNonSimplifiedSystemsSeeTraditionalCharacters)
{
    const std::string simplified = "缓冲文件被占用,请先关闭正在播放的缓冲文件";
    EXPECT_EQ(ChineseText(true).convert(simplified), simplified);
    const ChineseText traditional(false);
    EXPECT_EQ(traditional.convert(simplified).substr(0, 21), "緩衝文件被佔用");
    EXPECT_EQ(traditional.convert("Failed to save!"), "Failed to save!");

    RecordingMessageBoxes inner;
    ConvertingMessageBoxes boxes(inner, traditional);
    boxes.inform(simplified, "提示");
    ASSERT_EQ(inner.shown.size(), 1u);
    EXPECT_EQ(inner.shown[0].caption, "提示");
    EXPECT_EQ(inner.shown[0].text.substr(0, 21), "緩衝文件被佔用");
}
