// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every setting the panel edits, as the dialog shows it. Dialog, preset files
// and device reports all meet in this one struct; the bit layout lives in
// ParameterBlock.
struct PanelValues {
    int auxLevelA = 0;
    bool auxSwitchA = false;
    int auxLevelB = 0;
    bool auxSwitchB = false;
    int auxLevelC = 0;
    bool auxSwitchC = false;
    int fxIntensity = 1;
    int fxType = 1;
    int masterVol = 0;
    int mode = 0; // 0 Music, 1 Chat, 2 LWRD, 3 Sing, 4 MC, 5 Master; a device may report 6 or 7
    bool soundMix = false;
    int recVol = 0;
    int duckingSpeed = 1;
    bool recMute = false;
    int fxVol = 0;
    int duckingThreshold = 1;
    bool micMute = false;
    int musicVol = 0;
    int duckingGrade = 1;
    bool musicMute = false;

    bool operator==(const PanelValues &) const = default;
};
