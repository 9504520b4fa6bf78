// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandTable.h"

#include <algorithm>
#include <array>
#include <map>

namespace {

using Kind = CommandLine::Kind;
using Route = CommandSpec::Route;
using CardWait = CommandSpec::CardWait;

// `mute mic on` is `set mic-mute=on`.
const std::map<std::string_view, std::string_view> kMuteKeys{
    {"mic", "mic-mute"}, {"music", "music-mute"}, {"rec", "rec-mute"}};

std::string assignment(std::string_view pair, std::optional<SettingAssignment> &change)
{
    const auto equals = pair.find('=');
    if (equals == std::string_view::npos || equals == 0)
        return "'" + std::string(pair) + "' is not KEY=VALUE";
    const std::string_view name = pair.substr(0, equals);
    const SettingKey *key = SettingKey::find(name);
    if (!key) {
        if (name == "preset")
            return "the preset is chosen with 'orlenta preset N', not with set";
        if (name == "connected")
            return "connected is reported by status, it cannot be set";
        return "unknown key '" + std::string(name) + "'";
    }
    const SettingKey::Parsed value = key->parse(pair.substr(equals + 1));
    if (!value.value)
        return value.error;
    change = SettingAssignment{key, SettingAssignment::Op::Set, *value.value};
    return {};
}

std::string parseSet(CommandLine &command, const std::vector<std::string> &pairs)
{
    if (pairs.empty())
        return "set needs at least one KEY=VALUE";
    for (const std::string &pair : pairs) {
        std::optional<SettingAssignment> change;
        if (std::string error = assignment(pair, change); !error.empty())
            return error;
        const bool repeated = std::any_of(
            command.changes.begin(), command.changes.end(),
            [&](const SettingAssignment &earlier) { return earlier.key == change->key; });
        if (repeated)
            return std::string(change->key->name) + " is given twice";
        command.changes.push_back(*change);
    }
    return {};
}

// status, watch and diagnose.
std::string parseJsonOption(CommandLine &command, const std::vector<std::string> &rest)
{
    if (rest.empty())
        return {};
    if (rest.size() == 1 && rest[0] == "--json") {
        command.json = true;
        return {};
    }
    return command.words.front() + " takes only --json";
}

std::string parseMode(CommandLine &command, const std::vector<std::string> &rest)
{
    if (rest.size() != 1)
        return "mode takes one name: " + SettingKey::modeChoices();
    return parseSet(command, {"mode=" + rest[0]});
}

std::string parseMute(CommandLine &command, const std::vector<std::string> &rest)
{
    if (rest.size() != 2 || !kMuteKeys.count(rest[0]))
        return "mute takes mic, music or rec, then on, off or toggle";
    const SettingKey *key = SettingKey::find(kMuteKeys.at(rest[0]));
    if (rest[1] == "toggle") {
        command.changes.push_back({key, SettingAssignment::Op::Toggle, 0});
        return {};
    }
    const std::optional<bool> on = SettingKey::parseSwitch(rest[1]);
    if (!on)
        return "mute " + rest[0] + " takes on, off or toggle, not '" + rest[1] + "'";
    command.changes.push_back({key, SettingAssignment::Op::Set, *on ? 1 : 0});
    return {};
}

std::string parsePreset(CommandLine &command, const std::vector<std::string> &rest)
{
    static const std::array<std::string_view, 4> numbers{"1", "2", "3", "4"};
    const auto found =
        rest.size() == 1 ? std::find(numbers.begin(), numbers.end(), rest[0]) : numbers.end();
    if (found == numbers.end())
        return "preset takes one number: 1, 2, 3 or 4";
    command.preset = static_cast<int>(found - numbers.begin()) + 1;
    return {};
}

std::string parseAutostart(CommandLine &command, const std::vector<std::string> &rest)
{
    if (rest.size() != 1 || (rest[0] != "on" && rest[0] != "off"))
        return "autostart takes on or off";
    command.autostartOn = rest[0] == "on";
    return {};
}

std::string parseNothing(CommandLine &command, const std::vector<std::string> &rest)
{
    if (rest.empty())
        return {};
    return command.words.front() + " takes no arguments";
}

// In the order --help lists them.
const std::array kCommands{
    CommandSpec{"status", Kind::Status, "[--json]",
                "the card's settings, the selected preset, connected or not", Route::PanelOrCard,
                CardWait::Read, parseJsonOption},
    CommandSpec{"watch", Kind::Watch, "[--json]",
                "the status, then a line for every change until interrupted", Route::PanelOrCard,
                CardWait::Read, parseJsonOption},
    CommandSpec{"set", Kind::Set, "KEY=VALUE...",
                "changes settings in one write, kept in the selected preset", Route::PanelOrCard,
                CardWait::Write, parseSet},
    CommandSpec{"mode", Kind::Set, "NAME", "the same as set mode=NAME", Route::PanelOrCard,
                CardWait::Write, parseMode},
    CommandSpec{"mute", Kind::Set, "mic|music|rec on|off|toggle",
                "the same as set mic-mute=..., music-mute=..., rec-mute=...", Route::PanelOrCard,
                CardWait::Write, parseMute},
    CommandSpec{"preset", Kind::Preset, "N", "loads preset 1 to 4, as its button does",
                Route::PanelOrCard, CardWait::Write, parsePreset},
    CommandSpec{"reset", Kind::Reset, "",
                "back to the factory settings, as the panel's button does", Route::PanelOrCard,
                CardWait::Write, parseNothing},
    CommandSpec{"show", Kind::Show, "", "shows the running panel", Route::RunningPanel,
                CardWait::None, parseNothing},
    CommandSpec{"hide", Kind::Hide, "", "hides the running panel in the tray", Route::RunningPanel,
                CardWait::None, parseNothing},
    CommandSpec{"quit", Kind::Quit, "", "ends the running panel", Route::RunningPanel,
                CardWait::None, parseNothing},
    CommandSpec{"autostart", Kind::Autostart, "on|off",
                "start the panel hidden at login, or no longer", Route::Here, CardWait::None,
                parseAutostart},
    CommandSpec{"diagnose", Kind::Diagnose, "[--json]",
                "what Orlenta sees of the card and the desktop, for a report",
                Route::HereAskingPanel, CardWait::Read, parseJsonOption},
};

} // namespace

std::span<const CommandSpec> CommandSpec::all()
{
    return kCommands;
}

const CommandSpec *CommandSpec::find(std::string_view name)
{
    const auto found = std::find_if(kCommands.begin(), kCommands.end(),
                                    [&](const CommandSpec &spec) { return spec.name == name; });
    return found == kCommands.end() ? nullptr : &*found;
}
