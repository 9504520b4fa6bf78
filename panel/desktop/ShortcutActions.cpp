// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShortcutActions.h"

#include "CardSession.h"
#include "SettingKeys.h"
#include "WindowPresence.h"

#include <algorithm>
#include <array>

namespace {

enum class Action {
    MicMute,
    MusicMute,
    RecMute,
    NextMode,
    Preset1,
    Preset2,
    Preset3,
    Preset4,
    MasterUp,
    MasterDown,
    ShowHide
};

struct Entry {
    const char *id;
    const char *description;
    Action action;
};

constexpr std::array<Entry, 11> kShortcuts{{
    {"toggle-mic-mute", "Toggle mic mute", Action::MicMute},
    {"toggle-music-mute", "Toggle music mute", Action::MusicMute},
    {"toggle-record-mute", "Toggle record mute", Action::RecMute},
    {"next-mode", "Next mode", Action::NextMode},
    {"preset-1", "Preset 1", Action::Preset1},
    {"preset-2", "Preset 2", Action::Preset2},
    {"preset-3", "Preset 3", Action::Preset3},
    {"preset-4", "Preset 4", Action::Preset4},
    {"master-volume-up", "Master volume up", Action::MasterUp},
    {"master-volume-down", "Master volume down", Action::MasterDown},
    {"show-hide", "Show or hide Orlenta", Action::ShowHide},
}};

// What apply() takes for "keep the mode as it is" when none is shown.
constexpr int kModeAsShown = -1;

} // namespace

ShortcutActions::ShortcutActions(CardSession &session, WindowPresence &window)
    : session_(session), window_(window)
{
}

std::vector<GlobalShortcutsPortal::Shortcut> ShortcutActions::shortcuts()
{
    std::vector<GlobalShortcutsPortal::Shortcut> list;
    for (const Entry &entry : kShortcuts)
        list.push_back({QString::fromLatin1(entry.id), QString::fromLatin1(entry.description)});
    return list;
}

void ShortcutActions::run(const QString &id)
{
    const auto entry = std::find_if(kShortcuts.begin(), kShortcuts.end(),
                                    [&](const Entry &e) { return id == QLatin1String(e.id); });
    if (entry == kShortcuts.end())
        return;
    if (entry->action == Action::ShowHide) {
        window_.toggle();
        return;
    }
    if (session_.cardState() != CardState::Ready)
        return;
    switch (entry->action) {
    case Action::MicMute:
        toggleMute(&PanelValues::micMute);
        break;
    case Action::MusicMute:
        toggleMute(&PanelValues::musicMute);
        break;
    case Action::RecMute:
        toggleMute(&PanelValues::recMute);
        break;
    case Action::NextMode:
        nextMode();
        break;
    case Action::Preset1:
    case Action::Preset2:
    case Action::Preset3:
    case Action::Preset4:
        loadPreset(static_cast<int>(entry->action) - static_cast<int>(Action::Preset1) + 1);
        break;
    case Action::MasterUp:
        stepMasterVolume(1);
        break;
    case Action::MasterDown:
        stepMasterVolume(-1);
        break;
    case Action::ShowHide:
        break;
    }
}

void ShortcutActions::apply(const PanelValues &values)
{
    PanelValues change = values;
    if (!session_.shown().mode())
        change.mode = kModeAsShown;
    session_.apply(change, {});
}

void ShortcutActions::toggleMute(bool PanelValues::*mute)
{
    PanelValues values = session_.shown().values();
    values.*mute = !(values.*mute);
    apply(values);
}

// From a mode the panel does not offer (a card may report one), the first.
void ShortcutActions::nextMode()
{
    PanelValues values = session_.shown().values();
    const std::optional<int> mode = session_.shown().mode();
    values.mode = mode ? (*mode + 1) % SettingKey::kModeCount : 0;
    session_.apply(values, {});
}

// As a click on the spin: a typed value outside the range comes back into
// it, and at the end of the range nothing is written.
void ShortcutActions::stepMasterVolume(int delta)
{
    const SettingKey &key = *SettingKey::find("master-vol");
    PanelValues values = session_.shown().values();
    const int next = std::clamp(values.masterVol + delta, key.low, key.high);
    if (next == values.masterVol)
        return;
    values.masterVol = next;
    apply(values);
}

// As the preset button would, and not while it takes no clicks.
void ShortcutActions::loadPreset(int preset)
{
    if (session_.shown().takesPreset(preset))
        session_.loadPreset(preset, {});
}
