// SPDX-License-Identifier: GPL-3.0-or-later
// Keys and values as scripts give them, and the status they read back.
#include "SettingKeys.h"
#include "ControlIds.h"
#include "PanelState.h"
#include "PanelStatus.h"
#include "ParameterBlock.h"
#include "SettingAssignment.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool accepts(const char *key, const std::string &text)
{
    return SettingKey::find(key)->parse(text).value.has_value();
}

TEST(SettingKeysTest, NumbersTakeExactlyTheRangeTheirSpinStepsThrough)
{
    const struct {
        const char *key;
        int low;
        int high;
    } ranges[] = {{"master-vol", 0, 15},       {"music-vol", 0, 15},    {"rec-vol", 0, 15},
                  {"fx-type", 1, 6},           {"fx-intensity", 1, 8},  {"fx-vol", 0, 15},
                  {"ducking-threshold", 1, 8}, {"ducking-speed", 1, 8}, {"ducking-grade", 1, 8}};
    for (const auto &range : ranges) {
        SCOPED_TRACE(range.key);
        EXPECT_EQ(SettingKey::find(range.key)->parse(std::to_string(range.low)).value, range.low);
        EXPECT_EQ(SettingKey::find(range.key)->parse(std::to_string(range.high)).value, range.high);
        EXPECT_FALSE(accepts(range.key, std::to_string(range.high + 1)));
        EXPECT_FALSE(accepts(range.key, std::to_string(range.low - 1)));
    }
}

TEST(SettingKeysTest, AnythingButPlainDigitsIsRefusedRatherThanReadAsSomeNumber)
{
    for (const char *text : {"", "+5", " 5", "5 ", "5x", "0x5", "1e1", "٥", "99999999999"})
        EXPECT_FALSE(accepts("master-vol", text)) << "'" << text << "'";
    const SettingKey::Parsed parsed = SettingKey::find("fx-type")->parse("7");
    EXPECT_EQ(parsed.error, "fx-type must be a whole number from 1 to 6, not '7'");
}

TEST(SettingKeysTest, SwitchesAndModesByTheirWords)
{
    for (const char *on : {"on", "true", "1", "ON", "True"})
        EXPECT_EQ(SettingKey::find("mic-mute")->parse(on).value, 1) << on;
    for (const char *off : {"off", "false", "0", "Off"})
        EXPECT_EQ(SettingKey::find("sound-mix")->parse(off).value, 0) << off;
    EXPECT_FALSE(accepts("rec-mute", "yes"));
    EXPECT_FALSE(accepts("rec-mute", "2"));
    EXPECT_EQ(SettingKey::find("mode")->parse("lwrd").value, 2);
    EXPECT_EQ(SettingKey::find("mode")->parse("Master").value, 5);
    EXPECT_FALSE(accepts("mode", "karaoke"));
    EXPECT_FALSE(accepts("mode", "3"));
    EXPECT_EQ(SettingKey::find("aux-level-a"), nullptr);
}

TEST(SettingKeysTest, AssignmentsSetAndToggleOnTheValuesTheyAreGiven)
{
    const PanelValues before = ParameterBlock::factory().unpack();
    const SettingAssignment changes[] = {
        {SettingKey::find("master-vol"), SettingAssignment::Op::Set, 3},
        {SettingKey::find("mode"), SettingAssignment::Op::Set, 1},
        {SettingKey::find("sound-mix"), SettingAssignment::Op::Toggle, 0},
        {SettingKey::find("mic-mute"), SettingAssignment::Op::Toggle, 0},
    };
    PanelValues expected = before;
    expected.masterVol = 3;
    expected.mode = 1;
    expected.soundMix = false;
    expected.micMute = true;
    EXPECT_EQ(SettingAssignment::applyAll(before, changes), expected);
}

PanelStatus factoryStatus()
{
    PanelState state;
    state.show(ParameterBlock::factory().unpack());
    state.selectOnlyPreset(2);
    return state.status(true, true);
}

TEST(PanelStatusTest, JsonHasExactlyTheKeysInTheirOrder)
{
    EXPECT_EQ(factoryStatus().toJson(),
              R"({"connected": true, "mode": "sing", "master-vol": 12, "music-vol": 14, )"
              R"("rec-vol": 10, "fx-type": 3, "fx-intensity": 6, "fx-vol": 15, )"
              R"("ducking-threshold": 3, "ducking-speed": 3, "ducking-grade": 4, )"
              R"("mic-mute": false, "music-mute": false, "rec-mute": false, "sound-mix": true, )"
              R"("preset": 2})"
              "\n");
}

TEST(PanelStatusTest, TextNamesEverySettingByItsKey)
{
    EXPECT_EQ(factoryStatus().toText(),
              "connected: yes\nmode: sing\nmaster-vol: 12\nmusic-vol: 14\nrec-vol: 10\n"
              "fx-type: 3\nfx-intensity: 6\nfx-vol: 15\nducking-threshold: 3\n"
              "ducking-speed: 3\nducking-grade: 4\nmic-mute: off\nmusic-mute: off\n"
              "rec-mute: off\nsound-mix: on\npreset: 2\n");
}

TEST(PanelStatusTest, NothingIsClaimedThatThePanelDoesNotKnow)
{
    PanelState state;
    const PanelStatus unread = state.status(false, false);
    EXPECT_EQ(unread.toJson(),
              R"({"connected": false, "mode": null, "master-vol": null, "music-vol": null, )"
              R"("rec-vol": null, "fx-type": null, "fx-intensity": null, "fx-vol": null, )"
              R"("ducking-threshold": null, "ducking-speed": null, "ducking-grade": null, )"
              R"("mic-mute": null, "music-mute": null, "rec-mute": null, "sound-mix": null, )"
              R"("preset": null})"
              "\n");

    // A card reporting mode code 7 leaves every mode button unchecked: no mode
    // is shown, so none is reported, though the values are.
    ParameterBlock::Bytes bytes = ParameterBlock::factory().bytes();
    bytes[4] |= 0x70;
    state.show(ParameterBlock(bytes).unpack());
    const PanelStatus odd = state.status(true, true);
    EXPECT_FALSE(odd.mode);
    ASSERT_TRUE(odd.values);
    EXPECT_EQ(odd.values->masterVol, 12);
    EXPECT_NE(odd.toText().find("mode: unknown\n"), std::string::npos);
}

} // namespace
