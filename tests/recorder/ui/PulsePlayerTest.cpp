// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulsePlayer.h"
#include "PlayerFixture.h"
#include "PulseDeviceNames.h"

#include "WaveTestFiles.h"
#include <algorithm>

using namespace std::chrono_literals;

TEST_F(PlayerFixture, PlaysARangeThroughTheServerHoldingTheFileUntilItEnds)
{
    WaveTestFiles::writeTake(path_, WaveTestFiles::tone(2.0));
    PulsePlayer player;
    ASSERT_TRUE(player.play(path_, 1200, 1700)) << "is the PulseAudio daemon running?";
    EXPECT_EQ(player.mode(path_), "playing");
    EXPECT_TRUE(lockedByPlayer());
    std::this_thread::sleep_for(250ms);
    const unsigned during = player.position(path_);
    EXPECT_GE(during, 1200u);
    EXPECT_LE(during, 1700u);
    ASSERT_TRUE(waitForStopped(player, 3000ms));
    EXPECT_FALSE(lockedByPlayer()); // played out: released by itself

    // Stopped by the user: the position stays, the file stays held until closed.
    ASSERT_TRUE(player.play(path_, 0, 2000));
    std::this_thread::sleep_for(300ms);
    player.stop(path_);
    EXPECT_EQ(player.mode(path_), "stopped");
    const unsigned stoppedAt = player.position(path_);
    EXPECT_GT(stoppedAt, 0u);
    EXPECT_LT(stoppedAt, 1500u);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(player.position(path_), stoppedAt);
    EXPECT_TRUE(lockedByPlayer());
    player.close(path_);
    EXPECT_FALSE(lockedByPlayer());

    // A range past the end plays to the end; an empty one is over at once.
    ASSERT_TRUE(player.play(path_, 1900, 60000));
    EXPECT_TRUE(waitForStopped(player, 2000ms));
    EXPECT_TRUE(player.play(path_, 2000, 2000));
    EXPECT_EQ(player.mode(path_), "stopped");
    EXPECT_FALSE(lockedByPlayer());
}

TEST(PulseDeviceNames, ListsTheDevicesSinksAndSourcesButNoMonitors)
{
    PulseDeviceNames names;
    const std::vector<std::string> outputs = names.outputs();
    const std::vector<std::string> inputs = names.inputs();
    EXPECT_NE(std::find(outputs.begin(), outputs.end(), "VEK ZR-4"), outputs.end());
    EXPECT_NE(std::find(inputs.begin(), inputs.end(), "VEK ZR-4"), inputs.end());
    for (const std::string &name : inputs)
        EXPECT_EQ(name.find("Monitor of"), std::string::npos) << name;
}
