// SPDX-License-Identifier: GPL-3.0-or-later
#include "PanelState.h"

#include "ControlIds.h"

#include <algorithm>
#include <cctype>
#include <climits>

using namespace ControlId;

namespace {

const ValueControl *valueControl(int id, int ValueControl::*by)
{
    const auto found = std::find_if(kValueControls.begin(), kValueControls.end(),
                                    [&](const ValueControl &control) { return control.*by == id; });
    return found == kValueControls.end() ? nullptr : &*found;
}

// What enabling the device controls touches; spins follow the mode rule.
template <typename Visit> void forEnablingSet(Visit visit)
{
    for (int id = 1102; id <= 1110; ++id)
        visit(id);
    for (int id : kModeRadios)
        visit(id);
    for (int id : {kMicMute, kMusicMute, kRecMute, kSoundMix})
        visit(id);
    for (int id : kPresetButtons)
        visit(id);
    for (int id : {kFactoryReset, kAuxButton, 1175, kRecord})
        visit(id);
}

} // namespace

int PanelState::leadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            value = INT_MAX; // a long run of digits stays the largest number
    }
    return static_cast<int>(negative ? -value : value);
}

int PanelState::presetFromSetting(std::string_view text)
{
    if (text.size() == 1 && text[0] >= '1' && text[0] <= '4')
        return text[0] - '0';
    return 0;
}

int PanelState::presetNumber(int buttonId)
{
    const auto found = std::find(kPresetButtons.begin(), kPresetButtons.end(), buttonId);
    return found == kPresetButtons.end() ? 0 : static_cast<int>(found - kPresetButtons.begin()) + 1;
}

std::optional<int> PanelState::modeCode(int radioId)
{
    const auto found = std::find(kModeRadios.begin(), kModeRadios.end(), radioId);
    if (found == kModeRadios.end())
        return std::nullopt;
    return static_cast<int>(found - kModeRadios.begin());
}

const std::set<int> &PanelState::governedControls()
{
    static const std::set<int> governed = [] {
        std::set<int> ids;
        forEnablingSet([&ids](int id) { ids.insert(id); });
        ids.insert(kMainAdjustableSet.begin(), kMainAdjustableSet.end());
        ids.insert(kAuxiliarySet.begin(), kAuxiliarySet.end());
        for (const ValueControl &control : kValueControls)
            ids.insert(control.spin);
        return ids;
    }();
    return governed;
}

void PanelState::show(const PanelValues &values)
{
    const int shownMode = values_.mode;
    values_ = values;
    if (values.mode < 0 || values.mode >= static_cast<int>(kModeRadios.size())) {
        values_.mode = shownMode;
        return;
    }
    mode_ = values.mode;
    applyModeRule();
}

bool PanelState::type(int editId, int value)
{
    const ValueControl *control = valueControl(editId, &ValueControl::edit);
    if (!control)
        return false;
    values_.*control->setting = value;
    return true;
}

bool PanelState::step(int spinId, int delta)
{
    const ValueControl *control = valueControl(spinId, &ValueControl::spin);
    if (!control || delta == 0)
        return false;
    int &value = values_.*control->setting;
    const bool atEnd =
        (value == control->low && delta < 0) || (value == control->high && delta > 0);
    if (atEnd)
        return false;
    value = std::clamp(std::clamp(value, control->low, control->high) + delta, control->low,
                       control->high);
    return true;
}

void PanelState::chooseMode(int code)
{
    if (code < 0 || code >= static_cast<int>(kModeRadios.size()))
        return;
    mode_ = code;
    values_.mode = code;
    if (kModeRadios[static_cast<std::size_t>(code)] != kMasterModeRadio)
        applyModeRule();
}

bool PanelState::setSwitch(int boxId, bool on)
{
    const auto found =
        std::find_if(kSwitchControls.begin(), kSwitchControls.end(),
                     [&](const SwitchControl &control) { return control.box == boxId; });
    if (found == kSwitchControls.end())
        return false;
    values_.*found->setting = on;
    return true;
}

void PanelState::selectOnlyPreset(int number)
{
    preset_ = number >= 1 && number <= 4 ? number : 0;
}

void PanelState::applyModeRule()
{
    for (int id : kAuxiliarySet)
        enabled_.erase(id);
    enabled_.insert(kMainAdjustableSet.begin(), kMainAdjustableSet.end());
}

void PanelState::enableDeviceControls()
{
    forEnablingSet([this](int id) { enabled_.insert(id); });
}

void PanelState::disableDeviceControls()
{
    enabled_.clear();
}

PanelStatus PanelState::status(bool connected, bool blockRead) const
{
    PanelStatus status;
    status.connected = connected;
    if (blockRead) {
        status.values = values_;
        status.mode = mode_;
    }
    if (preset_ != 0)
        status.preset = preset_;
    return status;
}

bool PanelState::takesPreset(int preset) const
{
    return preset >= 1 && preset <= int(ControlId::kPresetButtons.size()) &&
           isEnabled(ControlId::kPresetButtons[static_cast<std::size_t>(preset - 1)]);
}
