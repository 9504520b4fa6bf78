// SPDX-License-Identifier: GPL-3.0-or-later
// The binding rules on a plain table of controls.
#include "ControlBindings.h"
#include "ControlIds.h"
#include "ControlTable.h"
#include "ParameterBlock.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

// The dialog's controls in the table the run without a window keeps them
// in, with every enable state the bindings set, so a test tells a control
// they left alone from one they disabled.
class TableControls : public ControlTable {
public:
    void setEnabled(int id, bool on) override
    {
        enabled[id] = on;
        ControlTable::setEnabled(id, on);
    }
    std::map<int, bool> enabled;
};

class ControlBindingsTest : public testing::Test {
protected:
    ControlBindingsTest()
    {
        bindings.setSender([this] { ++sends; });
        bindings.show(ParameterBlock::factory().unpack());
    }
    TableControls controls;
    ControlBindings bindings{controls};
    int sends = 0;
};

TEST_F(ControlBindingsTest, ShowAndReadGiveBackTheBlock)
{
    EXPECT_EQ(controls.text(1102), "12");
    EXPECT_EQ(controls.text(1153), "15");
    EXPECT_TRUE(controls.isChecked(1116));
    EXPECT_TRUE(controls.isChecked(ControlId::kAuxSwitchC));
    EXPECT_EQ(ParameterBlock::pack(bindings.values()), ParameterBlock::factory());
}

// A block whose fields all differ: each edit and box must show its own field.
TEST_F(ControlBindingsTest, EveryControlShowsItsOwnSetting)
{
    const ParameterBlock block({0x85, 0x09, 0x47, 0x0B, 0x1B, 0xE6, 0x1D, 0xC3});
    bindings.show(block.unpack());
    const std::map<int, std::string> expected{{1102, "11"}, {1103, "3"},  {1104, "6"}, {1105, "2"},
                                              {1106, "4"},  {1107, "13"}, {1108, "2"}, {1109, "7"},
                                              {1110, "5"},  {1153, "5"},  {1155, "9"}, {1157, "7"}};
    for (const auto &[id, text] : expected)
        EXPECT_EQ(controls.text(id), text) << id;
    const std::set<int> checked{1117, ControlId::kRecMute, ControlId::kMusicMute,
                                ControlId::kAuxSwitchA, ControlId::kAuxSwitchC};
    for (int id = 1000; id < 1200; ++id)
        EXPECT_EQ(controls.isChecked(id), checked.count(id) == 1) << id;
    EXPECT_EQ(ParameterBlock::pack(bindings.values()), block);
}

TEST_F(ControlBindingsTest, LeadingNumberIsReadLikeTheOldDialogsDid)
{
    EXPECT_EQ(ControlBindings::leadingNumber("12"), 12);
    EXPECT_EQ(ControlBindings::leadingNumber(" 7x"), 7);
    EXPECT_EQ(ControlBindings::leadingNumber("x7"), 0);
    EXPECT_EQ(ControlBindings::leadingNumber(""), 0);
    EXPECT_EQ(ControlBindings::leadingNumber("-3"), -3);
    EXPECT_EQ(ControlBindings::leadingNumber("99999999999999999999"), 2147483647);
    controls.setText(1102, "-3");
    controls.setText(1105, "99999999999999999999");
    const ParameterBlock block = ParameterBlock::pack(bindings.values());
    EXPECT_EQ(block.unpack().masterVol, 0);
    EXPECT_EQ(block.unpack().fxType, 6);
}

TEST_F(ControlBindingsTest, SpinStepsFollowTheirRangeAndSendOnlyWhenTheyMove)
{
    controls.setText(1102, "0");
    bindings.spinClicked(1086, -1);
    EXPECT_EQ(controls.text(1102), "0");
    controls.setText(1105, "6");
    bindings.spinClicked(1092, 1);
    EXPECT_EQ(sends, 0);

    controls.setText(1102, "20");
    bindings.spinClicked(1086, 1);
    EXPECT_EQ(controls.text(1102), "15");
    controls.setText(1110, "");
    bindings.spinClicked(1097, 1);
    EXPECT_EQ(controls.text(1110), "2");
    controls.setText(1108, "");
    bindings.spinClicked(1095, -1);
    EXPECT_EQ(controls.text(1108), "1");
    // A device block with FX Type bits 7 shows 8; one step brings it back.
    controls.setText(1105, "8");
    bindings.spinClicked(1092, 1);
    EXPECT_EQ(controls.text(1105), "6");
    bindings.spinClicked(1159, -1);
    EXPECT_EQ(controls.text(1153), "14");
    EXPECT_EQ(sends, 5);
    bindings.spinClicked(4242, 1);
    EXPECT_EQ(sends, 5);
}

TEST_F(ControlBindingsTest, StepsArrivingWhileAStepSendsAreDropped)
{
    bindings.setSender([this] {
        ++sends;
        bindings.spinClicked(1086, 1); // a click handled during the send's wait
    });
    controls.setText(1102, "3");
    bindings.spinClicked(1086, 1);
    EXPECT_EQ(controls.text(1102), "4");
    EXPECT_EQ(sends, 1);
    bindings.spinClicked(1086, 1);
    EXPECT_EQ(controls.text(1102), "5");
}

TEST_F(ControlBindingsTest, ModeClicksSendAndOrdinaryModesApplyTheEnableRule)
{
    controls.enabled.clear();
    bindings.modeClicked(ControlId::kMasterModeRadio);
    EXPECT_EQ(sends, 1);
    EXPECT_TRUE(controls.enabled.empty());
    EXPECT_TRUE(controls.isChecked(1119));
    EXPECT_FALSE(controls.isChecked(1116));
    EXPECT_EQ(bindings.values().mode, 5);

    bindings.modeClicked(1117);
    EXPECT_EQ(sends, 2);
    EXPECT_EQ(bindings.values().mode, 1);
    for (int id : ControlId::kMainAdjustableSet)
        EXPECT_TRUE(controls.enabled[id]) << id;
    for (int id : ControlId::kAuxiliarySet)
        EXPECT_FALSE(controls.enabled[id]) << id;
    EXPECT_EQ(controls.enabled.count(1102), 0u);
}

TEST_F(ControlBindingsTest, ModesTheDialogDoesNotOfferLeaveRadiosAndEnableStateAlone)
{
    controls.enabled.clear();
    PanelValues values = ParameterBlock::factory().unpack();
    values.mode = 7;
    values.masterVol = 3;
    bindings.show(values);
    EXPECT_TRUE(controls.isChecked(1116));
    EXPECT_EQ(controls.text(1102), "3");
    EXPECT_TRUE(controls.enabled.empty());
    EXPECT_EQ(sends, 0);
}

TEST_F(ControlBindingsTest, EnableAndDisableCoverTheirSets)
{
    bindings.disableDeviceControls();
    for (int id : {1102, 1110, 1086, 1097, 1159, 1114, 1119, 1132, 1098, 1145, 1149, 1150, 1165,
                   1185, 1153, 1173})
        EXPECT_FALSE(controls.enabled[id]) << id;
    controls.enabled.clear();
    bindings.enableDeviceControls();
    for (int id : {1102, 1110, 1114, 1119, 1132, 1134, 1098, 1145, 1149, 1150, 1165, 1175, 1185})
        EXPECT_TRUE(controls.enabled[id]) << id;
    // Spins follow the mode rule, not this set.
    EXPECT_EQ(controls.enabled.count(1086), 0u);
    EXPECT_EQ(controls.enabled.count(1153), 0u);
}

TEST_F(ControlBindingsTest, PresetSelection)
{
    EXPECT_EQ(ControlBindings::presetFromSetting("1"), 1);
    EXPECT_EQ(ControlBindings::presetFromSetting("4"), 4);
    EXPECT_EQ(ControlBindings::presetFromSetting("5"), 0);
    EXPECT_EQ(ControlBindings::presetFromSetting("01"), 0);
    EXPECT_EQ(ControlBindings::presetFromSetting(""), 0);
    bindings.selectOnlyPreset(3);
    EXPECT_EQ(bindings.checkedPresets(), std::vector<int>{3});
    bindings.selectOnlyPreset(0);
    EXPECT_TRUE(bindings.checkedPresets().empty());
    EXPECT_EQ(ControlBindings::presetNumber(1147), 2);
    EXPECT_EQ(ControlBindings::presetNumber(1146), 0);
}

} // namespace
