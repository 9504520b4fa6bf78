#include "TakeSaver.h"
#include "ChineseText.h"
#include "ConvertingMessageBoxes.h"
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
        TakeSaver saver(source_, WaveFormat{}, dialog_, messages_, progress_);
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
    EXPECT_EQ(progress_.steps, int((fs::file_size(source_) + 1023) / 1024));
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

TEST_F(TakeSaverTest, AnEmptyBufferFileGivesAnEmptyCopyOrAnMp3WithoutAudio)
{
    std::ofstream(source_).close();
    EXPECT_TRUE(save("empty.wav", 1));
    EXPECT_EQ(fs::file_size(folder_ / "empty.wav"), 0u);
    EXPECT_TRUE(save("empty", 1));
    ASSERT_TRUE(fs::exists(folder_ / "empty.mp3"));
    EXPECT_EQ(decodedSamples(folder_ / "empty.mp3"), 0);
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(TakeSaverTest, CancelOrANameWithoutTypeWritesNothingAndSaysNothing)
{
    WaveTestFiles::writeTake(source_, WaveTestFiles::tone(0.1));
    TakeSaver saver(source_, WaveFormat{}, dialog_, messages_, progress_);
    EXPECT_FALSE(saver.run());
    EXPECT_FALSE(save("take.txt", 0));
    EXPECT_FALSE(save("", 2));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(TakeSaverTest, FailuresSayFailedToSaveAndLeaveNoFileUnderTheName)
{
    // No take at all.
    EXPECT_FALSE(save("a.wav", 2));
    EXPECT_FALSE(save("a.mp3", 1));
    EXPECT_FALSE(fs::exists(folder_ / "a.wav"));
    EXPECT_FALSE(fs::exists(folder_ / "a.mp3"));
    ASSERT_EQ(messages_.shown.size(), 2u);
    EXPECT_EQ(messages_.shown[0].text, "Failed to save!");
    EXPECT_EQ(messages_.shown[0].caption, "NOTIFY");

    // A folder that cannot be written.
    WaveTestFiles::writeTake(source_, WaveTestFiles::tone(0.1));
    messages_.shown.clear();
    EXPECT_FALSE(save("missing/take.wav", 2));
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, "Failed to save!");

    // A full disk while copying: the partial copy does not stay behind.
    messages_.shown.clear();
    fs::create_symlink("/dev/full", folder_ / "full.wav");
    EXPECT_FALSE(save("full.wav", 2));
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder_ / "full.wav")));
    EXPECT_TRUE(fs::exists("/dev/full"));
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, "Failed to save!");

    // The take itself as the target would be destroyed by its own copy.
    messages_.shown.clear();
    const auto before = bytesOf(source_);
    EXPECT_FALSE(save("NUVRecord.wav", 2));
    EXPECT_EQ(bytesOf(source_), before);
    ASSERT_EQ(messages_.shown.size(), 1u);
}

TEST_F(TakeSaverTest, AMissingEncoderLibraryIsToldBeforeFailedToSave)
{
    WaveTestFiles::writeTake(source_, WaveTestFiles::tone(0.1));
    dialog_.answer = SaveFileDialog::Choice{(folder_ / "take.mp3").string(), 1};
    TakeSaver saver(source_, WaveFormat{}, dialog_, messages_, progress_);
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
