// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PanelControls.h"
#include "PanelValues.h"

#include <functional>
#include <string_view>
#include <vector>

// Binds the dialog's controls to the settings: reads them into values,
// shows values in them, steps the numbers, and keeps the enable rules.
// Every user action that changes a setting ends in one call of send.
class ControlBindings {
public:
    using Send = std::function<void()>;

    explicit ControlBindings(PanelControls &controls) : controls_(controls) {}
    void setSender(Send send) { send_ = std::move(send); }

    // Edit boxes give their leading decimal number, whatever its range: the
    // block bounds it when packing.
    PanelValues values() const;
    // Shows every setting. A mode code the panel does not offer (6, 7)
    // leaves the mode buttons and the enable state as they are.
    void show(const PanelValues &values);

    // One click on a spin: delta > 0 up, < 0 down. Clicks that arrive while
    // an earlier step is still sending are dropped.
    void spinClicked(int spinId, int delta);
    void modeClicked(int radioId);
    // Mute boxes and "Sound Mix".
    void switchClicked() { send(); }

    void enableDeviceControls();
    void disableDeviceControls();

    // Presets are numbered 1 to 4; 0 means none.
    std::vector<int> checkedPresets() const;
    void selectOnlyPreset(int number);
    static int presetNumber(int buttonId);
    // The selection named by the settings file: "1" to "4" exactly, else none.
    static int presetFromSetting(std::string_view text);

    // The leading decimal number of a text, 0 when it starts with none.
    static int leadingNumber(std::string_view text);

private:
    void applyModeRule();
    void send();

    PanelControls &controls_;
    Send send_;
    bool stepping_ = false;
};
