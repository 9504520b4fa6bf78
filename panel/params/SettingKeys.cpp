// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingKeys.h"

#include "ControlIds.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

using Kind = SettingKey::Kind;

// The range a number's spin steps through, so a script can set exactly what
// a click could.
constexpr SettingKey number(std::string_view name, int PanelValues::*setting)
{
    for (const ControlId::ValueControl &control : ControlId::kValueControls)
        if (control.setting == setting)
            return SettingKey{name, Kind::Number, setting, nullptr, control.low, control.high};
    throw "a number key without a spin";
}

constexpr SettingKey toggle(std::string_view name, bool PanelValues::*setting)
{
    return SettingKey{name, Kind::Switch, nullptr, setting, 0, 1};
}

constexpr std::array<std::string_view, SettingKey::kModeCount> kModeNames{
    "music", "chat", "lwrd", "sing", "mc", "master"};

constexpr std::array<SettingKey, 14> kKeys{{
    {"mode", Kind::Mode, nullptr, nullptr, 0, SettingKey::kModeCount - 1},
    number("master-vol", &PanelValues::masterVol),
    number("music-vol", &PanelValues::musicVol),
    number("rec-vol", &PanelValues::recVol),
    number("fx-type", &PanelValues::fxType),
    number("fx-intensity", &PanelValues::fxIntensity),
    number("fx-vol", &PanelValues::fxVol),
    number("ducking-threshold", &PanelValues::duckingThreshold),
    number("ducking-speed", &PanelValues::duckingSpeed),
    number("ducking-grade", &PanelValues::duckingGrade),
    toggle("mic-mute", &PanelValues::micMute),
    toggle("music-mute", &PanelValues::musicMute),
    toggle("rec-mute", &PanelValues::recMute),
    toggle("sound-mix", &PanelValues::soundMix),
}};

std::string lower(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// Plain decimal digits only: no sign, no blanks, nothing after them.
std::optional<int> plainNumber(std::string_view text)
{
    constexpr std::size_t kMaxDigits = 9; // stays inside int
    if (text.empty() || text.size() > kMaxDigits)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::span<const SettingKey> SettingKey::all()
{
    return kKeys;
}

const SettingKey *SettingKey::find(std::string_view name)
{
    for (const SettingKey &key : kKeys)
        if (key.name == name)
            return &key;
    return nullptr;
}

std::optional<std::string_view> SettingKey::modeName(int code)
{
    if (code < 0 || code >= static_cast<int>(kModeNames.size()))
        return std::nullopt;
    return kModeNames[static_cast<std::size_t>(code)];
}

std::optional<int> SettingKey::modeCode(std::string_view name)
{
    const std::string wanted = lower(name);
    for (std::size_t code = 0; code < kModeNames.size(); ++code)
        if (kModeNames[code] == wanted)
            return static_cast<int>(code);
    return std::nullopt;
}

std::optional<bool> SettingKey::parseSwitch(std::string_view text)
{
    const std::string word = lower(text);
    if (word == "on" || word == "true" || word == "1")
        return true;
    if (word == "off" || word == "false" || word == "0")
        return false;
    return std::nullopt;
}

std::string SettingKey::modeChoices()
{
    std::string choices;
    for (std::size_t code = 0; code < kModeNames.size(); ++code) {
        if (code != 0)
            choices += code + 1 == kModeNames.size() ? " or " : ", ";
        choices += kModeNames[code];
    }
    return choices;
}

SettingKey::Parsed SettingKey::parse(std::string_view text) const
{
    const std::string quoted = "'" + std::string(text) + "'";
    switch (kind) {
    case Kind::Mode:
        if (const auto code = modeCode(text))
            return {*code, {}};
        return {std::nullopt, std::string(name) + " must be " + modeChoices() + ", not " + quoted};
    case Kind::Switch:
        if (const auto on = parseSwitch(text))
            return {*on ? 1 : 0, {}};
        return {std::nullopt, std::string(name) + " must be on or off, not " + quoted};
    case Kind::Number:
        break;
    }
    const std::optional<int> value = plainNumber(text);
    if (value && *value >= low && *value <= high)
        return {*value, {}};
    return {std::nullopt, std::string(name) + " must be a whole number from " +
                              std::to_string(low) + " to " + std::to_string(high) + ", not " +
                              quoted};
}
