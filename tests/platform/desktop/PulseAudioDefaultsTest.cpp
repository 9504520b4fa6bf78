// SPDX-License-Identifier: GPL-3.0-or-later
// Needs the sound server of scripts/services.sh (sink "vek" and source
// "vek_in", both described "VEK ZR-4", and the sink's monitor).
#include "PulseAudioDefaults.h"
#include "PulseSoundPlayer.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {

std::string run(const std::string &command)
{
    std::string output;
    std::unique_ptr<FILE, int (*)(FILE *)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return output;
    std::array<char, 256> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe.get()))
        output += buffer.data();
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return output;
}

class PulseAudioDefaultsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(run("pactl info >/dev/null 2>&1 && echo up"), "up")
            << "no PulseAudio server: start it with eval \"$(scripts/services.sh start)\"";
        module_ = run("pactl load-module module-null-sink sink_name=other "
                      "sink_properties=device.description=Other");
        ASSERT_FALSE(module_.empty());
        run("pactl set-default-sink other");
        run("pactl set-default-source other.monitor");
    }
    void TearDown() override
    {
        run("pactl set-default-sink vek; pactl set-default-source vek_in");
        if (!module_.empty())
            run("pactl unload-module " + module_);
    }
    std::string module_;
};

TEST_F(PulseAudioDefaultsTest, DeviceBecomesDefaultSinkAndSourceNeverAMonitor)
{
    PulseAudioDefaults defaults;
    EXPECT_FALSE(defaults.usesPreferredWaveDevice());
    EXPECT_TRUE(defaults.makeDefault("VEK ZR-4"));
    EXPECT_EQ(run("pactl get-default-sink"), "vek");
    EXPECT_EQ(run("pactl get-default-source"), "vek_in");
}

TEST_F(PulseAudioDefaultsTest, NoMatchingDeviceChangesNothing)
{
    PulseAudioDefaults defaults;
    EXPECT_FALSE(defaults.makeDefault("No Such Card"));
    EXPECT_EQ(run("pactl get-default-sink"), "other");
}

// The start-up sound reaches the server as a stream, and pausing corks it.
TEST_F(PulseAudioDefaultsTest, StartupSoundPlaysAndPauses)
{
    PulseSoundPlayer player;
    ASSERT_TRUE(player.play(ORLENTA_RESOURCES_DIR "/NUVdata.mp3"));
    std::string streams;
    for (int i = 0; i < 40 && streams.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        streams = run("pactl list short sink-inputs");
    }
    EXPECT_FALSE(streams.empty());
    player.pause();
    std::string corked;
    for (int i = 0; i < 40 && corked.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        corked = run("pactl list sink-inputs | grep 'Corked: yes'");
    }
    EXPECT_FALSE(corked.empty());
    EXPECT_FALSE(player.play("/nonexistent/NUVdata.mp3"));
}

TEST(PulseAudioDefaultsWithoutServer, FailsQuietlyAndQuickly)
{
    const char *previous = std::getenv("PULSE_SERVER");
    const std::string saved = previous ? previous : "";
    setenv("PULSE_SERVER", "unix:/nonexistent/pulse/native", 1);
    PulseAudioDefaults defaults(std::chrono::milliseconds(500));
    EXPECT_FALSE(defaults.makeDefault("VEK ZR-4"));
    if (saved.empty())
        unsetenv("PULSE_SERVER");
    else
        setenv("PULSE_SERVER", saved.c_str(), 1);
}

} // namespace
