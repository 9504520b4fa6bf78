// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PanelValues.h"

#include <array>

// Resource ids of the main dialog's controls; widgets carry them as their
// object names.
namespace ControlId {

inline constexpr int kSoundMix = 1098;
inline constexpr int kMicMute = 1132;
inline constexpr int kMusicMute = 1133;
inline constexpr int kRecMute = 1134;
inline constexpr int kAuxSwitchA = 1162;
inline constexpr int kAuxSwitchB = 1163;
inline constexpr int kAuxSwitchC = 1164;
inline constexpr int kFactoryReset = 1150;
inline constexpr int kRecord = 1185;
inline constexpr int kAuxButton = 1165;
inline constexpr int kModeGroup = 1130;
inline constexpr int kPresetGroup = 1141;
inline constexpr int kCompactHeightStatic = 1181;
inline constexpr int kVendorIdEdit = 1049;
inline constexpr int kProductIdEdit = 1050;
inline constexpr int kOpenButton = 1022;
inline constexpr int kCloseButton = 1023;

// An edit box that shows a number, the spin that steps it, its range and the
// static text that names it.
struct ValueControl {
    int edit;
    int spin;
    int low;
    int high;
    int PanelValues::*setting;
    int label;
};

inline constexpr std::array<ValueControl, 12> kValueControls{{
    {1102, 1086, 0, 15, &PanelValues::masterVol, 1121},
    {1103, 1087, 0, 15, &PanelValues::musicVol, 1122},
    {1104, 1090, 0, 15, &PanelValues::recVol, 1123},
    {1105, 1092, 1, 6, &PanelValues::fxType, 1124},
    {1106, 1093, 1, 8, &PanelValues::fxIntensity, 1125},
    {1107, 1094, 0, 15, &PanelValues::fxVol, 1126},
    {1108, 1095, 1, 8, &PanelValues::duckingThreshold, 1127},
    {1109, 1096, 1, 8, &PanelValues::duckingSpeed, 1128},
    {1110, 1097, 1, 8, &PanelValues::duckingGrade, 1129},
    // The auxiliary group: never shown, its values travel with every block.
    {1153, 1159, 0, 15, &PanelValues::auxLevelA, 1154},
    {1155, 1160, 0, 15, &PanelValues::auxLevelB, 1156},
    {1157, 1161, 0, 15, &PanelValues::auxLevelC, 1158},
}};

struct SwitchControl {
    int box;
    bool PanelValues::*setting;
};

inline constexpr std::array<SwitchControl, 7> kSwitchControls{{
    {kMicMute, &PanelValues::micMute},
    {kMusicMute, &PanelValues::musicMute},
    {kRecMute, &PanelValues::recMute},
    {kSoundMix, &PanelValues::soundMix},
    {kAuxSwitchA, &PanelValues::auxSwitchA},
    {kAuxSwitchB, &PanelValues::auxSwitchB},
    {kAuxSwitchC, &PanelValues::auxSwitchC},
}};

// Mode radio buttons in the order of the mode code: Music, Chat, LWRD, Sing,
// MC, Master.
inline constexpr std::array kModeRadios{1114, 1117, 1115, 1116, 1118, 1119};
inline constexpr int kMasterModeRadio = 1119;

// Preset buttons "1" to "4".
inline constexpr std::array kPresetButtons{1145, 1147, 1148, 1149};

// Enabled by the mode rule: the effect and ducking edits and every visible spin.
inline constexpr std::array kMainAdjustableSet{1105, 1106, 1107, 1108, 1109, 1110, 1086, 1087,
                                               1090, 1092, 1093, 1094, 1095, 1096, 1097};
// Disabled by the mode rule.
inline constexpr std::array kAuxiliarySet{1153, 1155, 1157, 1159, 1160, 1161,
                                          1162, 1163, 1164, 1173, 1174, 1175};

} // namespace ControlId
