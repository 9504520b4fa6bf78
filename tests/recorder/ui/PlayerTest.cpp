// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlayerFixture.h"
#include "PulsePlayer.h"
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
