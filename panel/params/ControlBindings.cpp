// SPDX-License-Identifier: GPL-3.0-or-later
#include "ControlBindings.h"

#include "ControlIds.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <string>

using namespace ControlId;

int ControlBindings::leadingNumber(std::string_view text)
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

PanelValues ControlBindings::values() const
{
    PanelValues v;
    for (const ValueControl &control : kValueControls)
        v.*control.setting = leadingNumber(controls_.text(control.edit));
    for (const SwitchControl &control : kSwitchControls)
        v.*control.setting = controls_.isChecked(control.box);
    v.mode = 0;
    for (std::size_t code = 0; code < kModeRadios.size(); ++code) {
        if (controls_.isChecked(kModeRadios[code])) {
            v.mode = static_cast<int>(code);
            break;
        }
    }
    return v;
}

void ControlBindings::show(const PanelValues &v)
{
    for (const ValueControl &control : kValueControls)
        controls_.setText(control.edit, std::to_string(v.*control.setting));
    for (const SwitchControl &control : kSwitchControls)
        controls_.setChecked(control.box, v.*control.setting);
    if (v.mode < 0 || v.mode >= static_cast<int>(kModeRadios.size()))
        return;
    for (std::size_t code = 0; code < kModeRadios.size(); ++code)
        controls_.setChecked(kModeRadios[code], static_cast<int>(code) == v.mode);
    applyModeRule();
}

void ControlBindings::spinClicked(int spinId, int delta)
{
    if (stepping_ || delta == 0)
        return;
    const ValueControl *control = nullptr;
    for (const ValueControl &candidate : kValueControls)
        if (candidate.spin == spinId)
            control = &candidate;
    if (!control)
        return;
    stepping_ = true;
    int value = leadingNumber(controls_.text(control->edit));
    const bool atEnd =
        (value == control->low && delta < 0) || (value == control->high && delta > 0);
    if (!atEnd) {
        value = std::clamp(value, control->low, control->high);
        if (delta > 0 && value < control->high)
            ++value;
        else if (delta < 0 && value > control->low)
            --value;
        controls_.setText(control->edit, std::to_string(value));
        send();
    }
    stepping_ = false;
}

void ControlBindings::modeClicked(int radioId)
{
    // The buttons act as one group: the clicked one is the mode.
    for (int radio : kModeRadios)
        controls_.setChecked(radio, radio == radioId);
    send();
    if (radioId != kMasterModeRadio)
        applyModeRule();
}

void ControlBindings::applyModeRule()
{
    for (int id : kAuxiliarySet)
        controls_.setEnabled(id, false);
    for (int id : kMainAdjustableSet)
        controls_.setEnabled(id, true);
}

namespace {

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

void ControlBindings::enableDeviceControls()
{
    forEnablingSet([this](int id) { controls_.setEnabled(id, true); });
}

void ControlBindings::disableDeviceControls()
{
    forEnablingSet([this](int id) { controls_.setEnabled(id, false); });
    for (const ValueControl &control : kValueControls)
        controls_.setEnabled(control.spin, false);
    for (int id : kAuxiliarySet)
        controls_.setEnabled(id, false);
}

std::vector<int> ControlBindings::checkedPresets() const
{
    std::vector<int> numbers;
    for (std::size_t i = 0; i < kPresetButtons.size(); ++i)
        if (controls_.isChecked(kPresetButtons[i]))
            numbers.push_back(static_cast<int>(i) + 1);
    return numbers;
}

void ControlBindings::selectOnlyPreset(int number)
{
    for (std::size_t i = 0; i < kPresetButtons.size(); ++i)
        controls_.setChecked(kPresetButtons[i], static_cast<int>(i) + 1 == number);
}

int ControlBindings::presetNumber(int buttonId)
{
    for (std::size_t i = 0; i < kPresetButtons.size(); ++i)
        if (kPresetButtons[i] == buttonId)
            return static_cast<int>(i) + 1;
    return 0;
}

int ControlBindings::presetFromSetting(std::string_view text)
{
    if (text.size() == 1 && text[0] >= '1' && text[0] <= '4')
        return text[0] - '0';
    return 0;
}

void ControlBindings::send()
{
    if (send_)
        send_();
}
