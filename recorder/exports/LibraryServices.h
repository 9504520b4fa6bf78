// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PulseAudioCapture.h"
#include "PulseDeviceNames.h"
#include "PulsePlayer.h"
#include "QtRecorderMessageBoxes.h"

// The real devices the recorder window works with when the control panel
// loads the library: the sound server for capture, playback and device names,
// and message boxes on screen.
class LibraryServices {
public:
    PulseAudioCapture capture;
    PulsePlayer player;
    PulseDeviceNames devices;
    QtRecorderMessageBoxes boxes;
};
