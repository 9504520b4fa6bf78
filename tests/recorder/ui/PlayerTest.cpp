// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlayerFixture.h"
#include "PulsePlayer.h"
#include "WaveFileInfo.h"
#include "WaveTestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST_F(PlayerFixture, WaveInfoFindsTheDataOfARecorderTakeAndTrustsOnlyWhatIsThere)
{
    WaveTestFiles::writeTake(path_, WaveTestFiles::tone(1.5));
    std::optional<WaveFileInfo> found = info();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->dataOffset, 46u);
    EXPECT_EQ(found->dataBytes, 264600u);
    EXPECT_EQ(found->lengthMs(), 1500u);
    EXPECT_EQ(found->byteAt(1000), 176400u);
    EXPECT_EQ(found->byteAt(1), 176u); // lowered to a whole frame
    EXPECT_EQ(found->byteAt(9000), 264600u);

    // A header that claims ten minutes over half a second of audio, plus a stray byte.
    std::vector<std::uint8_t> pcm = WaveTestFiles::tone(0.5);
    pcm.push_back(0);
    WaveTestFiles::write(path_, WaveTestFiles::header(105840000), pcm);
    found = info();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->dataBytes, 88200u);
    EXPECT_EQ(found->lengthMs(), 500u);

    std::vector<std::uint8_t> truncated = WaveTestFiles::header(100);
    truncated.resize(30);
    WaveTestFiles::write(path_, truncated, {});
    EXPECT_FALSE(info());
    WaveTestFiles::write(path_, std::vector<std::uint8_t>(46, 'x'), pcm);
    EXPECT_FALSE(info());
    fs::remove(path_);
    EXPECT_FALSE(info());
}

TEST_F(PlayerFixture, WithoutASoundServerPlayFailsQuietlyAndTheFileIsLeftFree)
{
    WaveTestFiles::writeTake(path_, WaveTestFiles::tone(1.0));
    const char *saved = std::getenv("PULSE_SERVER");
    const std::string restore = saved ? saved : "";
    setenv("PULSE_SERVER", "unix:/nonexistent/orlenta-no-server", 1);
    {
        PulsePlayer player;
        EXPECT_EQ(player.length(path_), 1000u);
        EXPECT_FALSE(player.play(path_, 0, 1000));
        EXPECT_EQ(player.mode(path_), "stopped");
        player.stop(path_);
        player.close(path_);
        EXPECT_FALSE(lockedByPlayer());
        EXPECT_EQ(player.length("/nonexistent/take.wav"), 0u);
    }
    if (saved)
        setenv("PULSE_SERVER", restore.c_str(), 1);
    else
        unsetenv("PULSE_SERVER");
}
