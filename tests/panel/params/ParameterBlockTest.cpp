// SPDX-License-Identifier: GPL-3.0-or-later
#include "ParameterBlock.h"

#include <gtest/gtest.h>

namespace {

PanelValues factoryValues()
{
    PanelValues v;
    v.auxLevelA = 15;
    v.auxLevelB = 15;
    v.auxLevelC = 15;
    v.auxSwitchC = true;
    v.fxIntensity = 6;
    v.fxType = 3;
    v.masterVol = 12;
    v.mode = 3;
    v.soundMix = true;
    v.recVol = 10;
    v.duckingSpeed = 3;
    v.fxVol = 15;
    v.duckingThreshold = 3;
    v.musicVol = 14;
    v.duckingGrade = 4;
    return v;
}

// No two settings share a value, neither as the dialog shows it nor as its
// bits store it, so a pack or unpack that mixes two fields up cannot pass.
PanelValues distinctValues()
{
    PanelValues v;
    v.auxLevelA = 37;
    v.auxSwitchA = true;
    v.auxLevelB = 90;
    v.auxSwitchB = false;
    v.auxLevelC = 12;
    v.auxSwitchC = true;
    v.fxIntensity = 4;
    v.fxType = 6;
    v.masterVol = 11;
    v.mode = 1;
    v.soundMix = false;
    v.recVol = 10;
    v.duckingSpeed = 7;
    v.recMute = true;
    v.fxVol = 13;
    v.duckingThreshold = 3;
    v.micMute = false;
    v.musicVol = 8;
    v.duckingGrade = 5;
    v.musicMute = true;
    return v;
}

const ParameterBlock::Bytes kDistinctBytes{0xA5, 0x5A, 0x4C, 0x2B, 0x1B, 0xEA, 0x2D, 0xC8};

} // namespace

TEST(ParameterBlock, EveryFieldHasItsOwnBits)
{
    const ParameterBlock block = ParameterBlock::pack(distinctValues());
    EXPECT_EQ(block.bytes(), kDistinctBytes);
    EXPECT_EQ(block.toText(), "a55a4c2b1bea2dc8");
    const PanelValues back = ParameterBlock(kDistinctBytes).unpack();
    EXPECT_EQ(back, distinctValues());
    EXPECT_EQ(ParameterBlock::fromText("A55A4C2B1BEA2DC8").unpack(), distinctValues());
}

// Switches can only be told apart one at a time: any two that are both on
// could swap their bits unseen.
TEST(ParameterBlock, EachSwitchIsItsOwnBit)
{
    struct Switch {
        bool PanelValues::*member;
        std::size_t byte;
        std::uint8_t bit;
    };
    const Switch switches[] = {
        {&PanelValues::auxSwitchA, 0, 0x80}, {&PanelValues::auxSwitchB, 1, 0x80},
        {&PanelValues::auxSwitchC, 2, 0x40}, {&PanelValues::soundMix, 4, 0x80},
        {&PanelValues::recMute, 5, 0x80},    {&PanelValues::micMute, 6, 0x80},
        {&PanelValues::musicMute, 7, 0x80},
    };
    for (const Switch &s : switches) {
        PanelValues values; // every field at the bottom of its range: all bits clear
        values.*s.member = true;
        ParameterBlock::Bytes expected{};
        expected[s.byte] = s.bit;
        EXPECT_EQ(ParameterBlock::pack(values).bytes(), expected) << "byte " << s.byte;
        EXPECT_EQ(ParameterBlock(expected).unpack(), values) << "byte " << s.byte;
    }
}

TEST(ParameterBlock, FactorySettingsPackToTheFactoryBytes)
{
    const ParameterBlock block = ParameterBlock::pack(factoryValues());
    EXPECT_EQ(block, ParameterBlock::factory());
    EXPECT_EQ(block.toText(), "0f0f4f15bc2a2f3e");
}

TEST(ParameterBlock, NewPresetUnpacksToWhatTheDialogShows)
{
    const PanelValues v = ParameterBlock::newPreset().unpack();
    PanelValues expected = factoryValues();
    expected.recVol = 12;
    expected.fxVol = 12;
    EXPECT_EQ(v, expected);
    EXPECT_EQ(ParameterBlock::newPreset().toText(), "0f0f4f15bc2c2c3e");
}

// Every field walks its whole range while the others hold odd values, so a
// wrong shift or mask shows up as a neighbour changing.
TEST(ParameterBlock, EveryValueOfEveryFieldSurvivesPackAndUnpack)
{
    struct Field {
        int PanelValues::*member;
        int low, high;
    };
    const Field fields[] = {
        {&PanelValues::auxLevelA, 0, 127},
        {&PanelValues::auxLevelB, 0, 127},
        {&PanelValues::auxLevelC, 0, 15},
        {&PanelValues::fxIntensity, 1, 8},
        {&PanelValues::fxType, 1, 6},
        {&PanelValues::masterVol, 0, 15},
        {&PanelValues::mode, 0, 5},
        {&PanelValues::recVol, 0, 15},
        {&PanelValues::duckingSpeed, 1, 8},
        {&PanelValues::fxVol, 0, 15},
        {&PanelValues::duckingThreshold, 1, 8},
        {&PanelValues::musicVol, 0, 15},
        {&PanelValues::duckingGrade, 1, 8},
    };
    for (bool flags : {false, true}) {
        PanelValues base = distinctValues();
        base.auxSwitchA = base.auxSwitchB = base.auxSwitchC = flags;
        base.soundMix = base.recMute = base.micMute = base.musicMute = flags;
        for (const Field &f : fields) {
            for (int value = f.low; value <= f.high; ++value) {
                PanelValues v = base;
                v.*f.member = value;
                EXPECT_EQ(ParameterBlock::pack(v).unpack(), v) << "value " << value;
            }
        }
    }
}

TEST(ParameterBlock, UnpackThenPackGivesBackEveryByteThePanelCanShow)
{
    for (int byte = 0; byte < 256; ++byte) {
        ParameterBlock::Bytes bytes = ParameterBlock::factory().bytes();
        bytes[0] = bytes[1] = static_cast<std::uint8_t>(byte);
        EXPECT_EQ(ParameterBlock::pack(ParameterBlock(bytes).unpack()).bytes(), bytes) << byte;
    }
}

TEST(ParameterBlock, OutOfRangeValuesAreClampedAndNeverSpillIntoNeighbours)
{
    PanelValues v = factoryValues();
    v.masterVol = 200;
    v.fxType = 9;
    v.fxIntensity = 0;
    v.duckingGrade = -4;
    v.auxLevelC = 16;
    v.mode = 7;
    const PanelValues back = ParameterBlock::pack(v).unpack();
    EXPECT_EQ(back.masterVol, 15);
    EXPECT_EQ(back.fxType, 6);
    EXPECT_EQ(back.fxIntensity, 1);
    EXPECT_EQ(back.duckingGrade, 1);
    EXPECT_EQ(back.auxLevelC, 15);
    EXPECT_FALSE(back.auxSwitchC != factoryValues().auxSwitchC);
    EXPECT_EQ(back.mode, 5);
    EXPECT_EQ(back.soundMix, true);
    EXPECT_EQ(back.musicVol, 14);
}

TEST(ParameterBlock, ModeAndFxTypeCodesBeyondThePanelAreShownAsStored)
{
    ParameterBlock::Bytes bytes = ParameterBlock::factory().bytes();
    bytes[4] = 0x7C; // mode 7, Master Vol 12
    bytes[3] = 0x3D; // FX Type 8, FX Intensity 6
    const PanelValues v = ParameterBlock(bytes).unpack();
    EXPECT_EQ(v.mode, 7);
    EXPECT_EQ(v.fxType, 8);
    EXPECT_EQ(v.fxIntensity, 6);
    EXPECT_EQ(v.masterVol, 12);
}

TEST(ParameterBlock, TextIsReadPairByPair)
{
    EXPECT_EQ(ParameterBlock::fromText("0f0f4f15bc2a2f3e"), ParameterBlock::factory());
    EXPECT_EQ(ParameterBlock::fromText("0F0F4F15BC2A2F3E"), ParameterBlock::factory());
    // A pair counts its leading hex digits only.
    EXPECT_EQ(ParameterBlock::fromText("zz3x0f0f0f0f0f0f").bytes(),
              (ParameterBlock::Bytes{0x00, 0x03, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F}));
    // Anything past sixteen characters is not part of the block.
    EXPECT_EQ(ParameterBlock::fromText("0f0f4f15bc2a2f3effff"), ParameterBlock::factory());
}

TEST(ParameterBlock, ShortTextKeepsTheNewPresetBytesItDoesNotReach)
{
    EXPECT_EQ(ParameterBlock::fromText(""), ParameterBlock::newPreset());
    EXPECT_EQ(ParameterBlock::fromText("ff").bytes(),
              (ParameterBlock::Bytes{0xFF, 0x0F, 0x4F, 0x15, 0xBC, 0x2C, 0x2C, 0x3E}));
    // A lone last digit is read on its own.
    EXPECT_EQ(ParameterBlock::fromText("0f0f4f15bc2c2c3").bytes()[7], 0x03);
}
