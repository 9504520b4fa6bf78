// SPDX-License-Identifier: GPL-3.0-or-later
// What the panel shows: the settings, the mode, the preset and which
// controls take input, as clicks and the card change them.
#include "PanelState.h"
#include "ControlIds.h"
#include "ParameterBlock.h"

#include <gtest/gtest.h>

#include <map>

namespace {

class PanelStateTest : public testing::Test {
protected:
    PanelStateTest() { state.show(ParameterBlock::factory().unpack()); }
    int value(int editId) const
    {
        for (const ControlId::ValueControl &control : ControlId::kValueControls)
            if (control.edit == editId)
                return state.values().*control.setting;
        return -1;
    }
    PanelState state;
};

TEST_F(PanelStateTest, ShowAndPackGiveBackTheBlock)
{
    EXPECT_EQ(value(1102), 12);
    EXPECT_EQ(value(1153), 15);
    EXPECT_EQ(state.mode(), 3);
    EXPECT_TRUE(state.values().auxSwitchC);
    EXPECT_EQ(ParameterBlock::pack(state.values()), ParameterBlock::factory());
}

// A block whose fields all differ: each value must land in its own field.
TEST_F(PanelStateTest, EveryControlShowsItsOwnSetting)
{
    const ParameterBlock block({0x85, 0x09, 0x47, 0x0B, 0x1B, 0xE6, 0x1D, 0xC3});
    state.show(block.unpack());
    const std::map<int, int> expected{{1102, 11}, {1103, 3},  {1104, 6}, {1105, 2},
                                      {1106, 4},  {1107, 13}, {1108, 2}, {1109, 7},
                                      {1110, 5},  {1153, 5},  {1155, 9}, {1157, 7}};
    for (const auto &[id, number] : expected)
        EXPECT_EQ(value(id), number) << id;
    EXPECT_EQ(state.mode(), 1);
    EXPECT_EQ(ParameterBlock::pack(state.values()), block);
}

TEST_F(PanelStateTest, LeadingNumberIsReadLikeTheOldDialogsDid)
{
    EXPECT_EQ(PanelState::leadingNumber("12"), 12);
    EXPECT_EQ(PanelState::leadingNumber(" 7x"), 7);
    EXPECT_EQ(PanelState::leadingNumber("x7"), 0);
    EXPECT_EQ(PanelState::leadingNumber(""), 0);
    EXPECT_EQ(PanelState::leadingNumber("-3"), -3);
    EXPECT_EQ(PanelState::leadingNumber("99999999999999999999"), 2147483647);
    // Typed numbers are kept as typed; the block bounds them when packing.
    EXPECT_TRUE(state.type(1102, -3));
    EXPECT_TRUE(state.type(1105, 2147483647));
    EXPECT_FALSE(state.type(1086, 1));
    const ParameterBlock block = ParameterBlock::pack(state.values());
    EXPECT_EQ(block.unpack().masterVol, 0);
    EXPECT_EQ(block.unpack().fxType, 6);
}

TEST_F(PanelStateTest, SpinStepsFollowTheirRangeAndChangeOnlyWhenTheyMove)
{
    state.type(1102, 0);
    EXPECT_FALSE(state.step(1086, -1));
    EXPECT_EQ(value(1102), 0);
    state.type(1105, 6);
    EXPECT_FALSE(state.step(1092, 1));

    state.type(1102, 20);
    EXPECT_TRUE(state.step(1086, 1));
    EXPECT_EQ(value(1102), 15);
    state.type(1110, 0); // an empty box
    EXPECT_TRUE(state.step(1097, 1));
    EXPECT_EQ(value(1110), 2);
    state.type(1108, 0);
    EXPECT_TRUE(state.step(1095, -1));
    EXPECT_EQ(value(1108), 1);
    // A device block with FX Type bits 7 shows 8; one step brings it back.
    state.type(1105, 8);
    EXPECT_TRUE(state.step(1092, 1));
    EXPECT_EQ(value(1105), 6);
    EXPECT_TRUE(state.step(1159, -1));
    EXPECT_EQ(value(1153), 14);
    EXPECT_FALSE(state.step(4242, 1));
}

TEST_F(PanelStateTest, ModeClicksCheckOneModeAndOrdinaryModesApplyTheEnableRule)
{
    state.disableDeviceControls();
    state.chooseMode(5); // Master
    EXPECT_TRUE(state.enabledControls().empty());
    EXPECT_EQ(state.mode(), 5);
    EXPECT_EQ(state.values().mode, 5);

    state.chooseMode(1);
    EXPECT_EQ(state.values().mode, 1);
    for (int id : ControlId::kMainAdjustableSet)
        EXPECT_TRUE(state.isEnabled(id)) << id;
    for (int id : ControlId::kAuxiliarySet)
        EXPECT_FALSE(state.isEnabled(id)) << id;
    EXPECT_FALSE(state.isEnabled(1102));
}

TEST_F(PanelStateTest, ModesThePanelDoesNotOfferLeaveTheModeAndEnableStateAlone)
{
    state.disableDeviceControls();
    PanelValues values = ParameterBlock::factory().unpack();
    values.mode = 7;
    values.masterVol = 3;
    state.show(values);
    EXPECT_EQ(state.mode(), 3);
    EXPECT_EQ(state.values().mode, 3);
    EXPECT_EQ(value(1102), 3);
    EXPECT_TRUE(state.enabledControls().empty());

    // Nothing shown yet: no mode, and the block packs mode 0.
    PanelState fresh;
    fresh.show(values);
    EXPECT_FALSE(fresh.mode());
    EXPECT_EQ(fresh.values().mode, 0);
}

TEST_F(PanelStateTest, EnableAndDisableCoverTheirSets)
{
    state.disableDeviceControls();
    EXPECT_TRUE(state.enabledControls().empty());
    state.enableDeviceControls();
    for (int id : {1102, 1110, 1114, 1119, 1132, 1134, 1098, 1145, 1149, 1150, 1165, 1175, 1185})
        EXPECT_TRUE(state.isEnabled(id)) << id;
    // Spins follow the mode rule, not this set.
    EXPECT_FALSE(state.isEnabled(1086));
    EXPECT_FALSE(state.isEnabled(1153));
    for (int id : state.enabledControls())
        EXPECT_EQ(PanelState::governedControls().count(id), 1u) << id;
}

TEST_F(PanelStateTest, PresetSelection)
{
    EXPECT_EQ(PanelState::presetFromSetting("1"), 1);
    EXPECT_EQ(PanelState::presetFromSetting("4"), 4);
    EXPECT_EQ(PanelState::presetFromSetting("5"), 0);
    EXPECT_EQ(PanelState::presetFromSetting("01"), 0);
    EXPECT_EQ(PanelState::presetFromSetting(""), 0);
    state.selectOnlyPreset(3);
    EXPECT_EQ(state.preset(), 3);
    state.selectOnlyPreset(0);
    EXPECT_EQ(state.preset(), 0);
    state.selectOnlyPreset(7);
    EXPECT_EQ(state.preset(), 0);
    EXPECT_EQ(PanelState::presetNumber(1147), 2);
    EXPECT_EQ(PanelState::presetNumber(1146), 0);

    // A load from anywhere asks as the preset button would.
    state.disableDeviceControls();
    EXPECT_FALSE(state.takesPreset(1));
    state.enableDeviceControls();
    EXPECT_TRUE(state.takesPreset(1) && state.takesPreset(4));
    EXPECT_FALSE(state.takesPreset(0)) << "no preset selected";
    EXPECT_FALSE(state.takesPreset(5));
}

} // namespace
