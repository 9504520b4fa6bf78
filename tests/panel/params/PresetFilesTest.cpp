// SPDX-License-Identifier: GPL-3.0-or-later
// The five settings files on disk.
#include "PresetFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kNewPresetFile =
    "[setting]\nsettingToVoice=0f0f4f15bc2c2c3e\n\n\n[moshi]\nsettingToVoiceYing=1\n";

class PresetFilesTest : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/orlenta-presets-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        presets_ = std::make_unique<PresetFiles>(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    static std::string get(const fs::path &path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void put(const fs::path &path, const std::string &content)
    {
        std::ofstream(path, std::ios::binary) << content;
    }

    fs::path folder_;
    std::unique_ptr<PresetFiles> presets_;
};

TEST_F(PresetFilesTest, FirstStartMakesAllFiveFiles)
{
    EXPECT_TRUE(presets_->createMissing());
    EXPECT_EQ(get(presets_->settingFile()), "[setting]\nCurrentConfig=1\n");
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(get(presets_->presetFile(n)), kNewPresetFile) << n;
    EXPECT_FALSE(presets_->createMissing());
}

TEST_F(PresetFilesTest, OnlyAMissingFirstPresetRecreatesPresets)
{
    presets_->createMissing();
    fs::remove(presets_->presetFile(3));
    presets_->createMissing();
    EXPECT_FALSE(fs::exists(presets_->presetFile(3)));
    EXPECT_EQ(presets_->presetText(3), "");

    // First and second gone: all four start again from the new-preset block.
    put(presets_->presetFile(3), "[setting]\nsettingToVoice=0102030405060708\n");
    fs::remove(presets_->presetFile(1));
    fs::remove(presets_->presetFile(2));
    presets_->createMissing();
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(get(presets_->presetFile(n)), kNewPresetFile) << n;

    // Only the first gone: the others keep their blocks.
    put(presets_->presetFile(3), "[setting]\nsettingToVoice=0102030405060708\n");
    fs::remove(presets_->presetFile(1));
    presets_->createMissing();
    EXPECT_EQ(presets_->presetText(3), "0102030405060708");
    EXPECT_EQ(presets_->presetText(1), "0f0f4f15bc2c2c3e");
}

TEST_F(PresetFilesTest, SelectionAndBlocksAreWrittenKeyByKey)
{
    presets_->createMissing();
    EXPECT_TRUE(presets_->writeCurrentConfig(3));
    EXPECT_EQ(presets_->currentConfig(), "3");
    EXPECT_TRUE(presets_->writePresetText(2, "0f0f4f15bc2a2f3e"));
    EXPECT_EQ(presets_->presetText(2), "0f0f4f15bc2a2f3e");
    EXPECT_NE(get(presets_->presetFile(2)).find("settingToVoiceYing=1"), std::string::npos);
}

TEST_F(PresetFilesTest, UnwritableFolderLosesNothingAndSaysSo)
{
    PresetFiles nowhere(folder_ / "missing");
    EXPECT_TRUE(nowhere.createMissing());
    EXPECT_FALSE(nowhere.writeCurrentConfig(2));
    EXPECT_EQ(nowhere.presetText(1), "");
}

} // namespace
