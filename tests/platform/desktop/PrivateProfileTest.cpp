// SPDX-License-Identifier: GPL-3.0-or-later
// Settings files on disk, read and written key by key.
#include "PrivateProfile.h"

#include "FileSizeLimit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class PrivateProfileTest : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/orlenta-profile-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path file(const char *name) const { return folder_ / name; }
    // What a folder holds: a write leaves no half-made file behind.
    static std::vector<std::string> namesIn(const fs::path &folder)
    {
        std::vector<std::string> names;
        for (const fs::directory_entry &entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static void put(const fs::path &path, const std::string &content)
    {
        std::ofstream(path, std::ios::binary) << content;
    }
    static std::string get(const fs::path &path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path folder_;
};

TEST_F(PrivateProfileTest, MissingFileOrKeyReadsEmpty)
{
    EXPECT_EQ(PrivateProfile::read(file("none.ini"), "setting", "CurrentConfig"), "");
    put(file("a.ini"), "[setting]\nOther=1\n");
    EXPECT_EQ(PrivateProfile::read(file("a.ini"), "setting", "CurrentConfig"), "");
    EXPECT_EQ(PrivateProfile::read(file("a.ini"), "moshi", "Other"), "");
}

TEST_F(PrivateProfileTest, WritingCreatesTheFileAndKeepsWhatElseItHolds)
{
    ASSERT_TRUE(PrivateProfile::write(file("s.ini"), "setting", "CurrentConfig", "1"));
    EXPECT_EQ(get(file("s.ini")), "[setting]\nCurrentConfig=1\n");

    put(file("p.ini"),
        "; kept\n[setting]\nsettingToVoice=0f0f4f15bc2c2c3e\n\n[moshi]\nsettingToVoiceYing=1\n");
    ASSERT_TRUE(
        PrivateProfile::write(file("p.ini"), "setting", "settingToVoice", "0f0f4f15bc2a2f3e"));
    EXPECT_EQ(PrivateProfile::read(file("p.ini"), "setting", "settingToVoice"), "0f0f4f15bc2a2f3e");
    EXPECT_EQ(PrivateProfile::read(file("p.ini"), "moshi", "settingToVoiceYing"), "1");
    EXPECT_NE(get(file("p.ini")).find("; kept"), std::string::npos);
    EXPECT_EQ(namesIn(folder_), (std::vector<std::string>{"p.ini", "s.ini"}));
}

TEST_F(PrivateProfileTest, NamesMatchWhateverTheirCaseValuesAreSeenUpTo127Characters)
{
    put(file("c.ini"), "[SETTING]\r\ncurrentconfig=3\r\nlong=" + std::string(300, 'x') + "\r\n");
    EXPECT_EQ(PrivateProfile::read(file("c.ini"), "setting", "CurrentConfig"), "3");
    EXPECT_EQ(PrivateProfile::read(file("c.ini"), "setting", "long"), std::string(127, 'x'));
    ASSERT_TRUE(PrivateProfile::write(file("c.ini"), "Setting", "CURRENTCONFIG", "4"));
    EXPECT_EQ(PrivateProfile::read(file("c.ini"), "setting", "CurrentConfig"), "4");
}

TEST_F(PrivateProfileTest, GarbageAndMissingSectionsNeitherCrashNorBlockWriting)
{
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.push_back(static_cast<char>((i * 7919) % 256));
    put(file("g.ini"), garbage);
    EXPECT_EQ(PrivateProfile::read(file("g.ini"), "setting", "settingToVoice").size() <= 127, true);
    ASSERT_TRUE(
        PrivateProfile::write(file("g.ini"), "setting", "settingToVoice", "0f0f4f15bc2c2c3e"));
    EXPECT_EQ(PrivateProfile::read(file("g.ini"), "setting", "settingToVoice"), "0f0f4f15bc2c2c3e");

    put(file("n.ini"), "settingToVoice=0f0f4f15bc2c2c3e\n[other]\nx=1\n");
    EXPECT_EQ(PrivateProfile::read(file("n.ini"), "setting", "settingToVoice"), "");
}

TEST_F(PrivateProfileTest, OversizedFileIsNeitherReadNorOverwritten)
{
    const std::string endless =
        "[setting]\nsettingToVoice=" + std::string(PrivateProfile::kMaxFileSize, 'f');
    put(file("big.ini"), endless);
    EXPECT_EQ(PrivateProfile::read(file("big.ini"), "setting", "settingToVoice"), "");
    EXPECT_FALSE(PrivateProfile::write(file("big.ini"), "setting", "settingToVoice", "0"));
    EXPECT_EQ(fs::file_size(file("big.ini")), endless.size());
}

TEST_F(PrivateProfileTest, LinkedFileIsWrittenAtItsTargetAndKeepsItsMode)
{
    fs::create_directory(file("dotfiles"));
    put(file("dotfiles/setting.ini"), "[setting]\nCurrentConfig=2\n");
    fs::permissions(file("dotfiles/setting.ini"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("dotfiles/setting.ini", file("setting.ini"));

    ASSERT_TRUE(PrivateProfile::write(file("setting.ini"), "setting", "CurrentConfig", "3"));
    EXPECT_TRUE(fs::is_symlink(file("setting.ini")));
    EXPECT_EQ(get(file("dotfiles/setting.ini")), "[setting]\nCurrentConfig=3\n");
    EXPECT_EQ(fs::status(file("dotfiles/setting.ini")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(namesIn(file("dotfiles")), std::vector<std::string>{"setting.ini"});
}

TEST_F(PrivateProfileTest, FailedWriteKeepsTheOldFile)
{
    put(file("r.ini"), "[setting]\nCurrentConfig=2\n");
    {
        // The disk takes fewer bytes than the new content needs.
        const FileSizeLimit fullDisk(8);
        ASSERT_TRUE(fullDisk.active()) << fullDisk.error();
        EXPECT_EQ(PrivateProfile::store(file("r.ini"), "setting", "CurrentConfig", "3"),
                  std::make_error_code(std::errc::file_too_large));
    }
    EXPECT_EQ(PrivateProfile::read(file("r.ini"), "setting", "CurrentConfig"), "2");
    EXPECT_EQ(namesIn(folder_), std::vector<std::string>{"r.ini"});
    EXPECT_FALSE(
        PrivateProfile::write(folder_ / "missing" / "x.ini", "setting", "CurrentConfig", "1"));
}

} // namespace
