// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

namespace {

using Kind = CommandLine::Kind;

CommandLine::Parsed fail(std::string error)
{
    return {std::nullopt, std::move(error)};
}

CommandLine::Parsed done(CommandLine command)
{
    return {std::move(command), {}};
}

CommandLine::Parsed only(Kind kind)
{
    CommandLine command;
    command.kind = kind;
    return done(std::move(command));
}

const std::map<std::string_view, Kind> kPlainCommands{
    {"reset", Kind::Reset}, {"show", Kind::Show}, {"hide", Kind::Hide}, {"quit", Kind::Quit}};

// `mute mic on` is `set mic-mute=on`.
const std::map<std::string_view, std::string_view> kMuteKeys{
    {"mic", "mic-mute"}, {"music", "music-mute"}, {"rec", "rec-mute"}};

std::optional<SettingAssignment> assignment(std::string_view pair, std::string &error)
{
    const auto equals = pair.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        error = "'" + std::string(pair) + "' is not KEY=VALUE";
        return std::nullopt;
    }
    const std::string_view name = pair.substr(0, equals);
    const SettingKey *key = SettingKey::find(name);
    if (!key) {
        if (name == "preset")
            error = "the preset is chosen with 'orlenta preset N', not with set";
        else if (name == "connected")
            error = "connected is reported by status, it cannot be set";
        else
            error = "unknown key '" + std::string(name) + "'";
        return std::nullopt;
    }
    const SettingKey::Parsed value = key->parse(pair.substr(equals + 1));
    if (!value.value) {
        error = value.error;
        return std::nullopt;
    }
    return SettingAssignment{key, SettingAssignment::Op::Set, *value.value};
}

CommandLine::Parsed parseSet(CommandLine command, const std::vector<std::string> &pairs)
{
    if (pairs.empty())
        return fail("set needs at least one KEY=VALUE");
    for (const std::string &pair : pairs) {
        std::string error;
        const std::optional<SettingAssignment> change = assignment(pair, error);
        if (!change)
            return fail(error);
        const bool repeated = std::any_of(
            command.changes.begin(), command.changes.end(),
            [&](const SettingAssignment &earlier) { return earlier.key == change->key; });
        if (repeated)
            return fail(std::string(change->key->name) + " is given twice");
        command.changes.push_back(*change);
    }
    return done(std::move(command));
}

CommandLine::Parsed parseMute(CommandLine command, const std::vector<std::string> &rest)
{
    if (rest.size() != 2 || !kMuteKeys.count(rest[0]))
        return fail("mute takes mic, music or rec, then on, off or toggle");
    const SettingKey *key = SettingKey::find(kMuteKeys.at(rest[0]));
    if (rest[1] == "toggle") {
        command.changes.push_back({key, SettingAssignment::Op::Toggle, 0});
        return done(std::move(command));
    }
    const std::optional<bool> on = SettingKey::parseSwitch(rest[1]);
    if (!on)
        return fail("mute " + rest[0] + " takes on, off or toggle, not '" + rest[1] + "'");
    command.changes.push_back({key, SettingAssignment::Op::Set, *on ? 1 : 0});
    return done(std::move(command));
}

CommandLine::Parsed parseCommand(const std::vector<std::string> &args)
{
    CommandLine command;
    command.words = args;
    const std::string &name = args.front();
    const std::vector<std::string> rest(args.begin() + 1, args.end());

    if (name == "status") {
        command.kind = Kind::Status;
        if (rest.empty())
            return done(std::move(command));
        if (rest.size() == 1 && rest[0] == "--json") {
            command.json = true;
            return done(std::move(command));
        }
        return fail("status takes only --json");
    }
    if (name == "set") {
        command.kind = Kind::Set;
        return parseSet(std::move(command), rest);
    }
    if (name == "mode") {
        command.kind = Kind::Set;
        if (rest.size() != 1)
            return fail("mode takes one name: music, chat, lwrd, sing, mc or master");
        return parseSet(std::move(command), {"mode=" + rest[0]});
    }
    if (name == "mute") {
        command.kind = Kind::Set;
        return parseMute(std::move(command), rest);
    }
    if (name == "preset") {
        command.kind = Kind::Preset;
        static const std::array<std::string_view, 4> numbers{"1", "2", "3", "4"};
        const auto found =
            rest.size() == 1 ? std::find(numbers.begin(), numbers.end(), rest[0]) : numbers.end();
        if (found == numbers.end())
            return fail("preset takes one number: 1, 2, 3 or 4");
        command.preset = static_cast<int>(found - numbers.begin()) + 1;
        return done(std::move(command));
    }
    if (name == "autostart") {
        command.kind = Kind::Autostart;
        if (rest.size() != 1 || (rest[0] != "on" && rest[0] != "off"))
            return fail("autostart takes on or off");
        command.autostartOn = rest[0] == "on";
        return done(std::move(command));
    }
    if (const auto plain = kPlainCommands.find(name); plain != kPlainCommands.end()) {
        command.kind = plain->second;
        if (!rest.empty())
            return fail(name + " takes no arguments");
        return done(std::move(command));
    }
    return fail("unknown command '" + name + "'");
}

} // namespace

CommandLine::Parsed CommandLine::parse(const std::vector<std::string> &args)
{
    if (args.empty())
        return done(CommandLine{});
    const std::string &first = args.front();
    if (first == "--help" || first == "-h")
        return only(Kind::Help);
    if (first == "--version")
        return only(Kind::Version);
    // Other options belong to the panel (--hidden) or to Qt (-platform,
    // -style ...): the panel starts and takes them.
    if (first.starts_with('-')) {
        CommandLine command;
        command.hidden = std::find(args.begin(), args.end(), "--hidden") != args.end();
        return done(std::move(command));
    }
    return parseCommand(args);
}

CommandLine::Parsed CommandLine::parseRequest(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        if (end > start)
            words.emplace_back(line.substr(start, end - start));
        start = end + 1;
    }
    if (words.empty() || words.front().starts_with('-'))
        return fail("an empty request");
    if (words.size() == 2 && words.front() == "show")
        return done(show(words.back()));
    Parsed parsed = parseCommand(words);
    if (parsed.command && !parsed.command->goesToPanel())
        return fail("'" + words.front() + "' is not a request for the running panel");
    return parsed;
}

bool CommandLine::goesToPanel() const
{
    switch (kind) {
    case Kind::Status:
    case Kind::Set:
    case Kind::Preset:
    case Kind::Reset:
    case Kind::Show:
    case Kind::Hide:
    case Kind::Quit:
        return true;
    case Kind::StartPanel:
    case Kind::Help:
    case Kind::Version:
    case Kind::Autostart:
        return false;
    }
    return false;
}

std::string CommandLine::requestLine() const
{
    std::string line;
    for (const std::string &word : words)
        line += (line.empty() ? "" : " ") + word;
    const bool plainToken = activationToken.find_first_of(" \t\r\n") == std::string::npos;
    if (kind == Kind::Show && !activationToken.empty() && plainToken)
        line += " " + activationToken;
    return line + "\n";
}

CommandLine CommandLine::show(std::string activationToken)
{
    CommandLine command;
    command.kind = Kind::Show;
    command.words = {"show"};
    command.activationToken = std::move(activationToken);
    return command;
}

std::string CommandLine::usage()
{
    std::string text = R"(Usage: orlenta [--hidden]
       orlenta COMMAND [ARGUMENTS]

Without a command, starts the control panel; --hidden starts it in the tray.

Commands:
  status [--json]                   the card's settings, the selected preset, connected or not
  set KEY=VALUE...                  changes settings in one write, kept in the selected preset
  mode NAME                         the same as set mode=NAME
  mute mic|music|rec on|off|toggle  the same as set mic-mute=..., music-mute=..., rec-mute=...
  preset N                          loads preset 1 to 4, as its button does
  reset                             back to the factory settings, as the panel's button does
  show, hide, quit                  show, hide or end the running panel
  autostart on|off                  start the panel hidden at login, or no longer
  --help, --version

Keys:
)";
    for (const SettingKey &key : SettingKey::all()) {
        std::string values;
        switch (key.kind) {
        case SettingKey::Kind::Mode:
            values = "music, chat, lwrd, sing, mc, master";
            break;
        case SettingKey::Kind::Number:
            values = std::to_string(key.low) + " to " + std::to_string(key.high);
            break;
        case SettingKey::Kind::Switch:
            values = "on/off, true/false, 1/0";
            break;
        }
        std::string name(key.name);
        name.resize(std::max<std::size_t>(name.size() + 1, 20), ' ');
        text += "  " + name + values + "\n";
    }
    text += R"(
A running panel carries the commands out as if they were clicked; without one,
orlenta opens the card itself, without a window.

Exit status: 0 done, 1 other failure (such as settings that could not be
saved), 2 card not found, 3 card did not answer, 64 bad command line (nothing
was sent), 69 no panel running (show, hide, quit), 77 the card may not be
opened by this user (see the README's "Running against a real card").
)";
    return text;
}
