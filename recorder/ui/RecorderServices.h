// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

class AudioCapture;
class AudioDeviceNames;
class MessageBoxes;
class Player;
class SaveFileDialog;

// What the recorder window works with: the real devices in the library, fakes
// in tests.
struct RecorderServices {
    AudioCapture &capture;
    Player &player;
    AudioDeviceNames &devices;
    // The recorder's message-box routine (with the Chinese conversion).
    MessageBoxes &messages;
    // Where the buffer files live.
    std::filesystem::path folder;
    // The save-as dialog; null: the system's own, owned by the progress window.
    SaveFileDialog *saveDialog = nullptr;
};
