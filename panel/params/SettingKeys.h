// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PanelValues.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

// The settings as scripts name them: the keys of `status --json` and
// `set KEY=VALUE`. Numbers keep the range their spin steps through; the
// auxiliary settings the dialog never shows have no key.
struct SettingKey {
    enum class Kind { Mode, Number, Switch };

    std::string_view name;
    Kind kind;
    int PanelValues::*number = nullptr; // Number
    bool PanelValues::*flag = nullptr;  // Switch
    int low = 0;
    int high = 0;

    // The value a text gives this key, or the reason it gives none: numbers
    // are plain decimal within low-high (never bounded silently), switches
    // on/off/true/false/1/0, modes by name.
    struct Parsed {
        std::optional<int> value;
        std::string error;
    };
    Parsed parse(std::string_view text) const;

    // All settable keys in the order status lists them.
    static std::span<const SettingKey> all();
    static const SettingKey *find(std::string_view name);
    // The ordinary modes and Master: codes 0 to kModeCount - 1.
    static constexpr int kModeCount = 6;
    // "music", "chat", "lwrd", "sing", "mc", "master" for codes 0-5.
    static std::optional<std::string_view> modeName(int code);
    static std::optional<int> modeCode(std::string_view name);
    // "music, chat, lwrd, sing, mc or master", for messages.
    static std::string modeChoices();
    // on/off/true/false/1/0, any letter case.
    static std::optional<bool> parseSwitch(std::string_view text);
};
