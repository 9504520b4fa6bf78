// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PanelStatus.h"
#include "PanelValues.h"

#include <optional>
#include <set>
#include <string_view>

// What the panel shows, and what the next write packs: every setting as the
// user sees it (a typed number may lie outside its range until the block
// bounds it), the checked mode button, the selected preset, and which
// controls take input. Controls are named by their resource ids.
class PanelState {
public:
    // As the window starts: nothing read, nothing enabled, no mode, no preset.
    PanelState() = default;

    // Every setting; mode is the checked mode button's code, 0 when none is.
    const PanelValues &values() const { return values_; }
    // The checked mode button; none when none is (a card may report a mode the
    // panel does not offer).
    std::optional<int> mode() const { return mode_; }
    // 1 to 4; 0 when none is selected.
    int preset() const { return preset_; }
    bool isEnabled(int controlId) const { return enabled_.count(controlId) != 0; }
    // Whether preset 1 to 4 may be loaded: its button takes clicks. A load from
    // the tray, a shortcut or a restore asks as the button would.
    bool takesPreset(int preset) const;
    const std::set<int> &enabledControls() const { return enabled_; }

    // Shows every setting. A mode code the panel does not offer (6, 7) leaves
    // the mode buttons and the enable state as they are.
    void show(const PanelValues &values);
    // A number typed into a value's edit box (any value, out of range too).
    // False for an id that is no value's edit box.
    bool type(int editId, int value);
    // A spin moves its value by delta (1 or -1 a click; more for a page
    // key, and to the limit for Home and End), held to its range. A value
    // outside the range comes back into it first. False, and nothing changes,
    // at the end the step goes towards or for an id that is no spin.
    bool step(int spinId, int delta);
    // A click on a mode button: it alone is checked, and an ordinary mode
    // (any but Master) applies the mode rule.
    void chooseMode(int code);
    // A mute box or "Sound Mix"; false for an id that is no switch.
    bool setSwitch(int boxId, bool on);
    void selectOnlyPreset(int number);

    // Once the card's block is read: the device controls take input.
    void enableDeviceControls();
    // Without a card, nothing takes input.
    void disableDeviceControls();

    PanelStatus status(bool connected, bool blockRead) const;

    bool operator==(const PanelState &) const = default;

    // The leading decimal number of a text, as an edit box gives it; 0 when it
    // starts with none.
    static int leadingNumber(std::string_view text);
    // The selection named by the settings file: "1" to "4" exactly, else none.
    static int presetFromSetting(std::string_view text);
    // Every control whose enable state the panel keeps here.
    static const std::set<int> &governedControls();
    // Preset button id to 1-4; 0 for any other id.
    static int presetNumber(int buttonId);
    // A mode button id to its code 0-5; none for any other id.
    static std::optional<int> modeCode(int radioId);

private:
    void applyModeRule();

    PanelValues values_;
    std::optional<int> mode_;
    int preset_ = 0;
    std::set<int> enabled_;
};
