// SPDX-License-Identifier: GPL-3.0-or-later
// What a connecting device does to the sound system, on both kinds of system.
#include "StartupAudio.h"
#include "FakeAudioDefaults.h"
#include "FakeSoundPlayer.h"
#include "Mp3Decoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace {

constexpr int kShortPauseMs = 30;

void runEventsFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Waits, running events, until the condition holds or a few seconds passed.
template <typename Condition> bool eventually(Condition condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return condition();
}

TEST(StartupAudio, EndpointSystemsMakeTheDeviceDefaultThenPlayToTheEnd)
{
    FakeAudioDefaults defaults(false, true);
    FakeSoundPlayer player;
    StartupAudio audio(defaults, player, kShortPauseMs);
    audio.deviceConnected("/p/NUVdata.mp3", "VEK ZR-4");
    ASSERT_TRUE(eventually([&] { return !player.commands().empty(); }));
    EXPECT_EQ(defaults.requests(), std::vector<std::string>{"VEK ZR-4"});
    EXPECT_EQ(player.commands(), std::vector<std::string>{"play /p/NUVdata.mp3"});
    EXPECT_FALSE(audio.pausePending());
    // The sound server may take seconds to answer; the caller's thread must
    // not wait for it.
    EXPECT_NE(defaults.lastThread(), std::this_thread::get_id());
    EXPECT_NE(player.lastThread(), std::this_thread::get_id());
}

TEST(StartupAudio, PreferredWaveDeviceCutsTheSoundShortOnlyWhenItWasSet)
{
    FakeAudioDefaults found(true, true);
    FakeSoundPlayer player;
    StartupAudio audio(found, player, kShortPauseMs);
    audio.deviceConnected("/p/NUVdata.mp3", "VEK ZR-4");
    ASSERT_TRUE(eventually([&] { return player.commands().size() == 2; }));
    EXPECT_EQ(player.commands(), (std::vector<std::string>{"play /p/NUVdata.mp3", "pause"}));
    EXPECT_NE(player.lastThread(), std::this_thread::get_id());

    FakeAudioDefaults missing(true, false);
    FakeSoundPlayer fullLength;
    StartupAudio other(missing, fullLength, kShortPauseMs);
    other.deviceConnected("/p/NUVdata.mp3", "VEK ZR-4");
    ASSERT_TRUE(eventually([&] { return !missing.requests().empty(); }));
    runEventsFor(kShortPauseMs * 4);
    EXPECT_FALSE(other.pausePending());
    EXPECT_EQ(fullLength.commands(), std::vector<std::string>{"play /p/NUVdata.mp3"});
}

TEST(Mp3Decoder, DecodesTheStartupSound)
{
    const auto sound = Mp3Decoder::decode(ORLENTA_RESOURCES_DIR "/NUVdata.mp3");
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->rate, 44100);
    EXPECT_EQ(sound->channels, 2);
    // About 1.15 s of stereo.
    EXPECT_GT(sound->samples.size(), 2u * 44100);
    EXPECT_LT(sound->samples.size(), 2u * 44100 * 2);
}

TEST(Mp3Decoder, MissingOrBrokenFilesDecodeToNothing)
{
    EXPECT_FALSE(Mp3Decoder::decode("/nonexistent/NUVdata.mp3").has_value());
    const std::string broken = testing::TempDir() + "broken.mp3";
    std::ofstream(broken, std::ios::binary) << std::string(5000, '\x5a');
    EXPECT_FALSE(Mp3Decoder::decode(broken).has_value());
    std::ofstream(broken, std::ios::binary | std::ios::trunc);
    EXPECT_FALSE(Mp3Decoder::decode(broken).has_value());
}

} // namespace
